# Cross-build for 64-bit Windows with mingw-w64 (posix threads). Test programs run under Wine.
set(QLM_MINGW_PROCESSOR x86_64)
set(QLM_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
