# Cross build for 64-bit Windows with MinGW-w64 (g++-mingw-w64-x86-64); its
# programs run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORVDB_MINGW_TRIPLE x86_64-w64-mingw32)
set(ORVDB_RUNS_TARGET_PROGRAMS ON)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
