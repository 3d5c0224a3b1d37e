# Run by the target coverage_report: merges the raw profiles the tests wrote
# into PROFILE_DIR, then prints line and branch coverage of the library
# (LIBRARY's coverage mapping, without the generated image) and of the tool
# (TOOL and TOOL_TEST, sources under SOURCE_DIR/tools without the tests). The
# raw profiles are removed once merged, so that the next test run starts anew.
file(GLOB raw ${PROFILE_DIR}/*.profraw)
set(merged ${PROFILE_DIR}/coverage.profdata)
if(NOT raw)
  message(FATAL_ERROR "no profiles in ${PROFILE_DIR}: run the tests first (ctest --preset coverage)")
endif()
execute_process(COMMAND ${PROFDATA} merge -sparse ${raw} -o ${merged} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROFDATA} merge failed")
endif()
file(REMOVE ${raw})

# report(<name> <objects> <llvm-cov arguments>...): prints the per-file
# table, then one line with the totals, percentages rounded to a tenth.
function(report name objects)
  list(POP_FRONT objects first)
  set(more)
  foreach(object IN LISTS objects)
    list(APPEND more -object ${object})
  endforeach()
  execute_process(COMMAND ${COV} report ${first} ${more} -instr-profile=${merged}
                          -show-branch-summary ${ARGN}
                  RESULT_VARIABLE rc)
  execute_process(COMMAND ${COV} export ${first} ${more} -instr-profile=${merged}
                          -summary-only ${ARGN}
                  OUTPUT_VARIABLE json RESULT_VARIABLE rc2)
  if(NOT rc EQUAL 0 OR NOT rc2 EQUAL 0)
    message(FATAL_ERROR "${COV} failed for the ${name}")
  endif()
  set(line "")
  foreach(kind lines branches)
    string(JSON covered GET "${json}" data 0 totals ${kind} covered)
    string(JSON count GET "${json}" data 0 totals ${kind} count)
    if(count EQUAL 0)
      set(count_or_1 1)
    else()
      set(count_or_1 ${count})
    endif()
    math(EXPR tenths "(${covered} * 1000 + ${count_or_1} / 2) / ${count_or_1}")
    math(EXPR whole "${tenths} / 10")
    math(EXPR fraction "${tenths} % 10")
    string(APPEND line "  ${kind} ${whole}.${fraction} % (${covered}/${count})")
  endforeach()
  message(STATUS "coverage of the ${name}:${line}")
endfunction()

report(library "${LIBRARY}" -ignore-filename-regex=builtin_image\\.cc$)
if(TOOL)
  report(tool "${TOOL};${TOOL_TEST}" -ignore-filename-regex=_test\\.cc$ ${SOURCE_DIR}/tools)
endif()
