# Cross build for 32-bit Windows with MinGW-w64 (g++-mingw-w64-i686). Its
# programs cannot run on a 64-bit-only Wine: the DLL and the tests are built
# and the DLL's tables checked, but the tests are not run.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ORVDB_MINGW_TRIPLE i686-w64-mingw32)
set(ORVDB_RUNS_TARGET_PROGRAMS OFF)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
