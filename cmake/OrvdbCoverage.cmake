# Source-based coverage with clang (ORVDB_COVERAGE, the "coverage" preset):
# every object is instrumented, the tests write raw profiles where
# LLVM_PROFILE_FILE says (the coverage test preset: <build>/profiles), and
# the target coverage_report merges them and prints line and branch coverage
# of the library and of the tool (cmake/coverage_report.cmake).
option(ORVDB_COVERAGE "Instrument everything for clang's source-based coverage" OFF)

if(ORVDB_COVERAGE)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ORVDB_COVERAGE needs clang (source-based coverage)")
  endif()
  add_compile_options(-fprofile-instr-generate -fcoverage-mapping)
  add_link_options(-fprofile-instr-generate)
  # The profile tools of the compiler's own LLVM version read its profiles.
  string(REGEX MATCH "^[0-9]+" llvm_major ${CMAKE_CXX_COMPILER_VERSION})
  find_program(ORVDB_LLVM_PROFDATA NAMES llvm-profdata-${llvm_major} llvm-profdata)
  find_program(ORVDB_LLVM_COV NAMES llvm-cov-${llvm_major} llvm-cov)
  if(NOT ORVDB_LLVM_PROFDATA OR NOT ORVDB_LLVM_COV)
    message(FATAL_ERROR
      "ORVDB_COVERAGE is ON, but llvm-profdata or llvm-cov was not found (Debian package llvm-${llvm_major})")
  endif()
endif()

# orvdb_add_coverage_report(): the target coverage_report, once the library
# and the tool are defined. The library's figure covers what is linked into
# the shared library (its coverage mapping), but for the generated image; the
# tool's covers the sources under tools/ but for its tests.
function(orvdb_add_coverage_report)
  if(NOT ORVDB_COVERAGE)
    return()
  endif()
  set(tool "")
  set(tool_test "")
  if(TARGET orvdb_cli)
    set(tool "$<TARGET_FILE:orvdb_cli>")
  endif()
  if(TARGET orvdb_tool_test)
    set(tool_test "$<TARGET_FILE:orvdb_tool_test>")
  endif()
  add_custom_target(coverage_report
    COMMAND ${CMAKE_COMMAND}
            -DPROFDATA=${ORVDB_LLVM_PROFDATA} -DCOV=${ORVDB_LLVM_COV}
            -DPROFILE_DIR=${CMAKE_BINARY_DIR}/profiles
            -DLIBRARY=$<TARGET_FILE:orvdb>
            -DTOOL=${tool} -DTOOL_TEST=${tool_test}
            -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -P ${PROJECT_SOURCE_DIR}/cmake/coverage_report.cmake
    USES_TERMINAL
    VERBATIM)
endfunction()
