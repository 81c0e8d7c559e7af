# The Windows program's run-time set: the Qt DLLs and plugins it needs and the mingw-w64
# run-time DLLs. They are copied beside the programs in bin/, so the program and the test
# programs run from the build (the tests add Qt Test and the offscreen platform), and
# installed with the program: `cmake --install` gives the folder the installer packs.
set(QLM_BRIDGE32_DIR "" CACHE PATH
    "Folder of a 32-bit build's easyd12-bridge.exe and EasyD12.dll (tests/windows, i686)")

find_package(Qt6 REQUIRED COMPONENTS Widgets Network)
if(QLM_BUILD_TESTS)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    # Qt's offscreen platform reads its fonts from one folder on Windows, lib/fonts below
    # Qt's prefix, which is the folder of Qt6Core.dll here (Wine does not pass QT_* variables,
    # so QT_QPA_FONTDIR cannot point elsewhere): the host's Chinese and Latin faces, linked
    # there for the widget tests. Never installed.
    set(QLM_TEST_FONT_DIR ${CMAKE_BINARY_DIR}/bin/lib/fonts)
    file(MAKE_DIRECTORY ${QLM_TEST_FONT_DIR})
    foreach(font arphic/uming.ttc dejavu/DejaVuSans.ttf dejavu/DejaVuSans-Bold.ttf
                 liberation/LiberationSans-Regular.ttf liberation/LiberationSans-Bold.ttf)
        get_filename_component(name ${font} NAME)
        if(EXISTS /usr/share/fonts/truetype/${font} AND NOT EXISTS ${QLM_TEST_FONT_DIR}/${name})
            file(CREATE_LINK /usr/share/fonts/truetype/${font} ${QLM_TEST_FONT_DIR}/${name}
                 SYMBOLIC)
        endif()
    endforeach()
endif()

set(qlm_runtime_dlls)
foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know ${name}")
    endif()
    get_filename_component(path "${path}" REALPATH)
    list(APPEND qlm_runtime_dlls "${path}")
endforeach()

set(qlm_qt_dlls $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
                $<TARGET_FILE:Qt6::Network>)
set(qlm_platform $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>)
set(qlm_style $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>)

set(bin ${CMAKE_BINARY_DIR}/bin)
set(copy ${CMAKE_COMMAND} -E copy_if_different)
set(qlm_build_only)
if(QLM_BUILD_TESTS)
    set(qlm_build_only COMMAND ${copy} $<TARGET_FILE:Qt6::Test> ${bin}
        COMMAND ${copy} $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin> ${bin}/platforms)
endif()
# Qt's own Chinese texts: the translation file is the same on every system (Debian's
# qt6-translations-l10n on the build machine).
set(qlm_translation /usr/share/qt6/translations/qtbase_zh_CN.qm)
if(EXISTS ${qlm_translation})
    list(APPEND qlm_build_only COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/translations
         COMMAND ${copy} ${qlm_translation} ${bin}/translations)
    install(FILES ${qlm_translation} DESTINATION translations)
endif()
add_custom_target(windows_runtime ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/platforms ${bin}/styles
    COMMAND ${copy} ${qlm_runtime_dlls} ${qlm_qt_dlls} ${bin}
    COMMAND ${copy} ${qlm_platform} ${bin}/platforms
    COMMAND ${copy} ${qlm_style} ${bin}/styles
    ${qlm_build_only}
    COMMENT "Qt and mingw-w64 run-time DLLs into bin/"
    VERBATIM)

# The installed program: nothing of the tests, no simulator (the installer adds that to a
# folder of its own).
install(TARGETS qlm5120rx qlm5120rx-cli RUNTIME DESTINATION .)
install(FILES ${qlm_runtime_dlls} ${qlm_qt_dlls} DESTINATION .)
install(FILES ${qlm_platform} DESTINATION platforms)
install(FILES ${qlm_style} DESTINATION styles)
if(QLM_BRIDGE32_DIR)
    install(PROGRAMS ${QLM_BRIDGE32_DIR}/easyd12-bridge.exe DESTINATION .)
endif()
