; The QLM-5120RX installer: 64-bit program into Program Files, Start-menu shortcut,
; uninstaller in the Programs list, .qini settings files opening in the program; the
; simulated instrument as an optional component.
; Built by scripts/windows-installer.sh, which defines VERSION, STAGE (the staged files),
; ICON and OUTFILE, and writes files.nsh (one ProgramFile line per file of the program,
; among them the manual 5120.CHM and the SCPI command table doc\scpi-commands.md, which
; qlm5120rx-cli --help names).
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"
!include "Sections.nsh"

!define PRODUCT "QLM-5120RX"
!define PUBLISHER "Kavronix"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define PRODUCT_KEY "Software\${PUBLISHER}\${PRODUCT}"
!define SIMULATOR_SHORTCUT "$SMPROGRAMS\${PRODUCT}\${PRODUCT}（模拟仪器）.lnk"
; Settings files (.qini) open in the program by double-click.
!define PROGID "QLM5120RX.Settings"
!define CLASSES "Software\Classes"

Name "${PRODUCT} ${VERSION}"
Caption "${PRODUCT} 控制软件 ${VERSION} 安装"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PUBLISHER}\${PRODUCT}"
InstallDirRegKey HKLM "${PRODUCT_KEY}" "InstallDir"
BrandingText "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"


Function un.onInit
    SetRegView 64
FunctionEnd

; The program's files (files.nsh lists them, folders first).
!macro ProgramFolder folder
    CreateDirectory "$INSTDIR\${folder}"
!macroend
!macro ProgramFile file
    File "/oname=${file}" "${STAGE}\program\${file}"
!macroend
; The simulated instrument's copy of a program file: a hard link where the file system
; allows it (no second copy on disk), else a copy. The program file itself is renamed, so
; that its automatic settings file in the user's folder stays apart from the program's.
!macro SimulatorFolder folder
    CreateDirectory "$INSTDIR\simulator\${folder}"
!macroend
!macro SimulatorLink file target
    Delete "$INSTDIR\simulator\${target}"
    System::Call 'kernel32::CreateHardLinkW(w "$INSTDIR\simulator\${target}", w "$INSTDIR\${file}", p 0) i .r0'
    ${If} $0 == 0
        CopyFiles /SILENT "$INSTDIR\${file}" "$INSTDIR\simulator\${target}"
    ${EndIf}
!macroend
; Removal, with files-reversed.nsh (files first, then their folders).
!macro RemoveFolderIn base folder
    RMDir "${base}\${folder}"
!macroend
!macro RemoveFileIn base file
    Delete "${base}\${file}"
!macroend
!macro RemoveSimulator
    Delete "${SIMULATOR_SHORTCUT}"
    Delete "$INSTDIR\simulator\EasyD12.dll"
    Delete "$INSTDIR\simulator\easyd12-bridge.exe"
    Delete "$INSTDIR\simulator\qlm5120rx-sim.exe"
    !define ProgramFolder '!insertmacro RemoveFolderIn "$INSTDIR\simulator"'
    !define ProgramFile '!insertmacro RemoveFileIn "$INSTDIR\simulator"'
    !include "${STAGE}\files-reversed.nsh"
    !undef ProgramFolder
    !undef ProgramFile
    RMDir "$INSTDIR\simulator"
!macroend

Section "${PRODUCT} 控制软件" SectionProgram
    SectionIn RO
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    !define ProgramFolder "!insertmacro ProgramFolder"
    !define ProgramFile "!insertmacro ProgramFile"
    !include "${STAGE}\files.nsh"
    !undef ProgramFolder
    !undef ProgramFile
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The shortcut starts in the program's folder, where the viewer finds 5120.CHM.
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    SetOutPath "$INSTDIR"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\qlm5120rx.exe" "" \
        "$INSTDIR\qlm5120rx.exe" 0

    WriteRegStr HKLM "${CLASSES}\${PROGID}" "" "QLM-5120RX 设置文件"
    WriteRegStr HKLM "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\qlm5120rx.exe,0"
    WriteRegStr HKLM "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\qlm5120rx.exe" "%1"'
    WriteRegStr HKLM "${CLASSES}\.qini" "" "${PROGID}"
    WriteRegStr HKLM "${CLASSES}\.qini\OpenWithProgids" "${PROGID}" ""
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)' ; file types changed

    WriteRegStr HKLM "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} 控制软件"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qlm5120rx.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "模拟仪器（无真实仪器时演示和培训用）" SectionSimulator
    SetShellVarContext all
    SetOutPath "$INSTDIR\simulator"
    File "${STAGE}\simulator\EasyD12.dll"
    !define ProgramFolder "!insertmacro SimulatorFolder"
    !define ProgramFile "!insertmacro SimulatorLink"
    !include "${STAGE}\simulator.nsh"
    !undef ProgramFolder
    !undef ProgramFile
    SetOutPath "$INSTDIR\simulator"
    CreateShortcut "${SIMULATOR_SHORTCUT}" "$INSTDIR\simulator\qlm5120rx-sim.exe" "" \
        "$INSTDIR\simulator\qlm5120rx-sim.exe" 0
SectionEnd

; An installation without the simulator removes one installed earlier.
Section "-cleanup"
    SetShellVarContext all
    ${IfNot} ${SectionIsSelected} ${SectionSimulator}
        !insertmacro RemoveSimulator
    ${EndIf}
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Removes what the installer put there and nothing else: the user's open.qini stays.
Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    Delete "${SIMULATOR_SHORTCUT}"
    !insertmacro RemoveSimulator
    RMDir "$SMPROGRAMS\${PRODUCT}"
    !define ProgramFolder '!insertmacro RemoveFolderIn "$INSTDIR"'
    !define ProgramFile '!insertmacro RemoveFileIn "$INSTDIR"'
    !include "${STAGE}\files-reversed.nsh"
    !undef ProgramFolder
    !undef ProgramFile
    ; The instrument's exchange lock, which the programs make in ProgramData ($APPDATA for
    ; all users); one that a running program holds stays.
    Delete "$APPDATA\qlm5120rx\instrument.lock"
    Delete "$APPDATA\qlm5120rx\instrument.lock.changes"
    RMDir "$APPDATA\qlm5120rx"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    RMDir "$PROGRAMFILES64\${PUBLISHER}"
    ; The file type: the ProgID, and .qini only where it still names it.
    DeleteRegKey HKLM "${CLASSES}\${PROGID}"
    DeleteRegValue HKLM "${CLASSES}\.qini\OpenWithProgids" "${PROGID}"
    DeleteRegKey /ifempty HKLM "${CLASSES}\.qini\OpenWithProgids"
    ReadRegStr $0 HKLM "${CLASSES}\.qini" ""
    ${If} $0 == "${PROGID}"
        DeleteRegValue HKLM "${CLASSES}\.qini" ""
    ${EndIf}
    DeleteRegKey /ifempty HKLM "${CLASSES}\.qini"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "Software\${PUBLISHER}"
SectionEnd

; /SIMULATOR selects the simulated instrument (for silent installs, /S).
Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} 需要64位Windows。" /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/SIMULATOR" $R1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SectionSimulator}
    ${EndIf}
FunctionEnd
