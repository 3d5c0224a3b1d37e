# orvdb_add_test(NAME SOURCES ... [HOST_SOURCES ...] [LIBRARIES ...]): a
# GoogleTest executable linked with the library's static variant and the test
# support code, registered with CTest. HOST_SOURCES are the tests that steer
# the in-memory platform (orv_host_*); they are compiled only when that
# platform is the one built, so the same executable also runs against the
# Windows platform layer with what remains.
if(ORVDB_GTEST_SOURCE_DIR)
  # The system's GoogleTest is built for the build machine; a cross or -m32
  # build compiles the framework from its sources for the target instead.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${ORVDB_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(target gtest gtest_main gmock gmock_main)
    target_compile_options(${target} PRIVATE -Wno-error)
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

function(orvdb_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;HOST_SOURCES;LIBRARIES" ${ARGN})
  set(sources ${ARG_SOURCES})
  if(ORVDB_PLATFORM STREQUAL "host")
    list(APPEND sources ${ARG_HOST_SOURCES})
  endif()
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE orvdb_test_support orvdb_static GTest::gtest
                        GTest::gmock GTest::gtest_main ${ARG_LIBRARIES})
  if(CMAKE_CROSSCOMPILING)
    # Each start of a cross-built program goes through the emulator, so the
    # whole executable is one CTest test rather than one per test case.
    add_test(NAME ${name} COMMAND ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
