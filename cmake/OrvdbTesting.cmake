# orvdb_add_test(NAME SOURCES ...): a GoogleTest executable linked with the
# library's static variant and the test support code, registered with CTest.
find_package(GTest REQUIRED)
include(GoogleTest)

function(orvdb_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE orvdb_test_support orvdb_static GTest::gtest
                        GTest::gmock GTest::gtest_main ${ARG_LIBRARIES})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
