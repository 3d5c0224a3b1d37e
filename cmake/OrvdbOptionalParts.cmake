# The optional parts of the build and the packages they need. The library,
# its headers, the model compiler and the install rules need only a compiler
# and CMake; the tool needs CLI11 and nlohmann/json, its manual pages the
# tool and pod2man, the tests GoogleTest, the benchmarks Google Benchmark.
#
# ORVDB_BUILD_TOOLS, ORVDB_BUILD_MANUALS and ORVDB_BUILD_TESTS are AUTO by default: the part is
# built when what it needs is there, and otherwise left out with one status
# line naming the Debian package that brings it. Set to ON, a missing package
# is a configure error naming it; OFF leaves the part out. Either way the
# cache keeps the choice, and this file sets a plain variable of the same name
# to ON or OFF for the rest of the build to test with if().
set(ORVDB_BUILD_TOOLS AUTO CACHE STRING
    "Build the orvdb tool (CLI11, nlohmann/json): AUTO, ON or OFF")
set(ORVDB_BUILD_MANUALS AUTO CACHE STRING
    "Build the manual pages orvdb(1) and orvdb(3) (the tool, pod2man): AUTO, ON or OFF")
set(ORVDB_BUILD_TESTS AUTO CACHE STRING "Build the tests (GoogleTest): AUTO, ON or OFF")
set_property(CACHE ORVDB_BUILD_TOOLS PROPERTY STRINGS AUTO ON OFF)
set_property(CACHE ORVDB_BUILD_MANUALS PROPERTY STRINGS AUTO ON OFF)
set_property(CACHE ORVDB_BUILD_TESTS PROPERTY STRINGS AUTO ON OFF)
option(ORVDB_BUILD_BENCH "Build the benchmarks (Release builds on the host platform)" OFF)

# GoogleTest is compiled from its sources where the system's libraries do not
# fit the target: in cross builds, and in builds such as -m32 that set this.
if(CMAKE_CROSSCOMPILING)
  set(gtest_sources_default /usr/src/googletest)
else()
  set(gtest_sources_default "")
endif()
set(ORVDB_GTEST_SOURCE_DIR "${gtest_sources_default}" CACHE PATH
    "GoogleTest sources to compile for the target (empty: the system's GoogleTest)")

# The choice of each part as AUTO, ON or OFF (ON and OFF also from the other
# ways CMake writes true and false).
foreach(var ORVDB_BUILD_TOOLS ORVDB_BUILD_MANUALS ORVDB_BUILD_TESTS)
  string(TOUPPER "${${var}}" choice)
  if(NOT choice STREQUAL "AUTO")
    if(choice)
      set(choice ON)
    else()
      set(choice OFF)
    endif()
  endif()
  set(${var}_CHOICE ${choice})
endforeach()

# orvdb_resolve_part(<var> <what> <missing>): sets <var> to ON or OFF from
# its choice. <missing> is empty when the part can be built, and otherwise
# says why not, naming the Debian packages to install.
function(orvdb_resolve_part var what missing)
  set(choice ${${var}_CHOICE})
  if(choice STREQUAL "OFF")
    set(${var} OFF PARENT_SCOPE)
  elseif(NOT missing)
    set(${var} ON PARENT_SCOPE)
  elseif(choice STREQUAL "ON")
    message(FATAL_ERROR "${var} is ON, but ${what} cannot be built: ${missing}")
  else()
    message(STATUS "orvdb: ${what} left out: ${missing}")
    set(${var} OFF PARENT_SCOPE)
  endif()
endfunction()

# The tool drives the stand-in platform, so it exists only in host builds
# that can run what they build.
set(missing "")
if(CMAKE_CROSSCOMPILING OR NOT ORVDB_PLATFORM STREQUAL "host")
  set(missing "it runs on the stand-in platform, which only native host builds have")
elseif(ORVDB_BUILD_TOOLS_CHOICE)
  find_package(CLI11 CONFIG QUIET)
  find_package(nlohmann_json 3 CONFIG QUIET)
  set(packages)
  if(NOT CLI11_FOUND)
    list(APPEND packages "CLI11 (Debian package libcli11-dev)")
  endif()
  if(NOT nlohmann_json_FOUND)
    list(APPEND packages "nlohmann/json (Debian package nlohmann-json3-dev)")
  endif()
  if(packages)
    list(JOIN packages " and " packages)
    set(missing "${packages} not found")
  endif()
endif()
orvdb_resolve_part(ORVDB_BUILD_TOOLS "the orvdb tool" "${missing}")

# The manual pages list the tool's command line as its parser reads it.
set(missing "")
if(NOT ORVDB_BUILD_TOOLS)
  set(missing "they are written from the orvdb tool's command line, and the tool is left out")
elseif(ORVDB_BUILD_MANUALS_CHOICE)
  find_program(ORVDB_POD2MAN pod2man)
  if(NOT ORVDB_POD2MAN)
    set(missing "pod2man not found (Debian package perl)")
  endif()
endif()
orvdb_resolve_part(ORVDB_BUILD_MANUALS "the manual pages" "${missing}")

set(missing "")
if(ORVDB_BUILD_TESTS_CHOICE)
  if(ORVDB_GTEST_SOURCE_DIR)
    if(NOT EXISTS ${ORVDB_GTEST_SOURCE_DIR}/CMakeLists.txt)
      set(missing "GoogleTest sources not found in ${ORVDB_GTEST_SOURCE_DIR} (Debian package googletest)")
    endif()
  else()
    find_package(GTest QUIET)
    if(NOT TARGET GTest::gtest)
      set(missing "GoogleTest not found (Debian packages libgtest-dev and libgmock-dev)")
    elseif(NOT TARGET GTest::gmock)
      set(missing "GoogleMock not found (Debian package libgmock-dev)")
    endif()
  endif()
endif()
orvdb_resolve_part(ORVDB_BUILD_TESTS "the tests" "${missing}")

if(ORVDB_BUILD_BENCH)
  find_package(benchmark QUIET)
  if(NOT benchmark_FOUND)
    message(FATAL_ERROR
      "ORVDB_BUILD_BENCH is ON, but Google Benchmark was not found (Debian package libbenchmark-dev)")
  endif()
endif()
