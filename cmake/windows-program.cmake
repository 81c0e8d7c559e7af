# The whole program for 64-bit Windows, chained from the cross-built Qt's toolchain file:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=<Qt>/lib/cmake/Qt6/qt.toolchain.cmake \
#         -DQT_CHAINLOAD_TOOLCHAIN_FILE=$PWD/cmake/windows-program.cmake
# The compilers Qt was built with (shared mingw-w64 run-time); test programs run under Wine.
include(${CMAKE_CURRENT_LIST_DIR}/qt-mingw-w64-x86_64.cmake)

find_program(QLM_WINE NAMES wine)
if(QLM_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QLM_WINE})
endif()
