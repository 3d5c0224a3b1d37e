# Cross build for 32-bit Windows with MinGW-w64 (g++-mingw-w64-i686). Its
# programs cannot run on a 64-bit-only Wine: the DLL is built and its tables
# checked, the tests are not run, and the image is compiled by the model
# compiler of a 64-bit build (ORVDB_MODELC_EXE).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ORVDB_MINGW_TRIPLE i686-w64-mingw32)
set(ORVDB_RUNS_TARGET_PROGRAMS OFF)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
