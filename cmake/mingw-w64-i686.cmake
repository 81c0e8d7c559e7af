# Cross-build for 32-bit Windows with mingw-w64 (posix threads). Test programs run under Wine.
set(QLM_MINGW_PROCESSOR i686)
set(QLM_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
