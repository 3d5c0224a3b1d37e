# Shared part of the MinGW-w64 toolchain files. The including file sets
# ORVDB_MINGW_TRIPLE (x86_64-w64-mingw32 or i686-w64-mingw32) and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

# The posix thread model: the test framework needs std::mutex, which the
# win32 model of g++ 12 lacks. The library starts no threads; the programs
# link the thread library statically, and the DLL's import check shows that
# it does not need it.
foreach(lang C CXX)
  if(lang STREQUAL "C")
    set(driver gcc)
  else()
    set(driver g++)
  endif()
  find_program(ORVDB_MINGW_${lang}_COMPILER
    NAMES ${ORVDB_MINGW_TRIPLE}-${driver}-posix ${ORVDB_MINGW_TRIPLE}-${driver} REQUIRED)
  set(CMAKE_${lang}_COMPILER ${ORVDB_MINGW_${lang}_COMPILER})
endforeach()
find_program(CMAKE_RC_COMPILER NAMES ${ORVDB_MINGW_TRIPLE}-windres)
find_program(CMAKE_OBJDUMP NAMES ${ORVDB_MINGW_TRIPLE}-objdump)
find_program(CMAKE_DLLTOOL NAMES ${ORVDB_MINGW_TRIPLE}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVDB_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows programs built here (the tests) run under Wine; build-time
# programs are native ones (cmake/OrvdbHostPrograms.cmake).
# Its output goes to a prefix of the build tree unless the caller chose one,
# so that a build never touches the user's own Wine setup, and Wine's own
# diagnostics stay quiet unless asked for. A 64-bit-only Wine runs no 32-bit
# program: the 32-bit toolchain sets ORVDB_RUNS_TARGET_PROGRAMS off.
find_program(ORVDB_WINE NAMES wine64 wine PATHS /usr/lib/wine)
set(ORVDB_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
set(ORVDB_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
if(ORVDB_RUNS_TARGET_PROGRAMS AND ORVDB_WINE AND NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVDB_WINE_RUN};${ORVDB_WINE};${ORVDB_WINE_PREFIX})
endif()
