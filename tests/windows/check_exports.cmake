# cmake -DOBJDUMP=<objdump> -DDLL=<EasyD12.dll> -DBITS=<4|8> -P check_exports.cmake
# The DLL exports WritePort1 and ReadPort1 by their bare names, as callers look them up, and
# the simulator's EasyD12SimulatorInfo the same way; in the 32-bit DLL all three are __stdcall
# (the callee pops its two 4-byte arguments).
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE table RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "objdump -p ${DLL} failed")
endif()
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table.*" exports "${table}")
set(names WritePort1 ReadPort1 EasyD12SimulatorInfo)
foreach(name ${names})
    if(NOT exports MATCHES "\\] ${name}\n")
        message(FATAL_ERROR "${DLL} does not export ${name} undecorated:\n${exports}")
    endif()
endforeach()
if(exports MATCHES "@")
    message(FATAL_ERROR "${DLL} exports decorated names:\n${exports}")
endif()
if(BITS EQUAL 4)
    # The compiler names a __stdcall function _name@<argument bytes>; __cdecl gets _name.
    execute_process(COMMAND ${OBJDUMP} -t ${DLL} OUTPUT_VARIABLE symbols)
    foreach(name ${names})
        if(NOT symbols MATCHES " _${name}@8\n")
            message(FATAL_ERROR "${name} in ${DLL} is not __stdcall with 8 bytes of arguments")
        endif()
    endforeach()
endif()
message(STATUS "${DLL}: ${names} exported as the library's callers expect")
