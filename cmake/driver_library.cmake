# qlm_driver_library(<target> <sources...>): a library in the driver library's place, with
# its calls only exported: on Windows named without the lib prefix and, in 32 bits, with the
# undecorated __stdcall names the real one has.
function(qlm_driver_library target)
    add_library(${target} SHARED ${ARGN})
    set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden)
    if(WIN32)
        set_target_properties(${target} PROPERTIES PREFIX "")
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
            target_link_options(${target} PRIVATE -Wl,--kill-at)
        endif()
    endif()
endfunction()
