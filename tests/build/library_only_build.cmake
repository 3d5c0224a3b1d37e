# Run by CTest: copies SOURCE_DIR (without build trees and version control)
# into WORK_DIR, configures it with the tool's and the tests' packages hidden
# and checks that each part left out is named with its Debian package, that
# asking for those parts is a configure error naming the package, and that
# the library, its headers, the model compiler and the install rules build
# with warnings as errors.
file(REMOVE_RECURSE ${WORK_DIR})
set(copy ${WORK_DIR}/src)
string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" source_regex "${SOURCE_DIR}")
file(COPY ${SOURCE_DIR}/ DESTINATION ${copy}
     REGEX "^${source_regex}/(build[^/]*|out|\\.git)$" EXCLUDE)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(RC ${rc} PARENT_SCOPE)
  set(OUT "${out}${err}" PARENT_SCOPE)
endfunction()

function(expect_text what text)
  string(FIND "${OUT}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${what}: expected '${text}' in:\n${OUT}")
  endif()
endfunction()

set(hidden -DCMAKE_DISABLE_FIND_PACKAGE_CLI11=ON -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON
           -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON)
set(configure ${CMAKE_COMMAND} -G ${GENERATOR} -DCMAKE_C_COMPILER=${C_COMPILER}
              -DCMAKE_CXX_COMPILER=${CXX_COMPILER} ${hidden})

# Asked for explicitly, a part whose packages are missing stops the configuration.
foreach(part TOOLS TESTS)
  if(part STREQUAL "TOOLS")
    set(package libcli11-dev)
  else()
    set(package libgtest-dev)
  endif()
  run(${configure} -S ${copy} -B ${WORK_DIR}/asked-${part} -DORVDB_BUILD_${part}=ON)
  if(RC EQUAL 0)
    message(FATAL_ERROR "ORVDB_BUILD_${part}=ON configured without its packages:\n${OUT}")
  endif()
  expect_text("ORVDB_BUILD_${part}=ON" "${package}")
endforeach()

# By default the parts are left out, one line each.
set(build ${WORK_DIR}/build)
run(${configure} -S ${copy} -B ${build} -DORVDB_WERROR=ON)
if(NOT RC EQUAL 0)
  message(FATAL_ERROR "configuring the library-only build failed:\n${OUT}")
endif()
expect_text("the tool" "orvdb: the orvdb tool left out: CLI11 (Debian package libcli11-dev) and nlohmann/json (Debian package nlohmann-json3-dev) not found")
expect_text("the tests" "orvdb: the tests left out: GoogleTest not found (Debian packages libgtest-dev and libgmock-dev)")

run(${CMAKE_COMMAND} --build ${build} --parallel 2)
if(NOT RC EQUAL 0)
  message(FATAL_ERROR "building the library-only build failed:\n${OUT}")
endif()
run(${CMAKE_COMMAND} --install ${build} --prefix ${WORK_DIR}/prefix)
if(NOT RC EQUAL 0)
  message(FATAL_ERROR "installing the library-only build failed:\n${OUT}")
endif()

set(prefix ${WORK_DIR}/prefix)
file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
foreach(need "^include/orvdb/orvdb\\.h$" "/liborvdb\\.so\\.0$" "/pkgconfig/orvdb\\.pc$"
             "/cmake/orvdb/orvdbConfig\\.cmake$")
  set(found ${installed})
  list(FILTER found INCLUDE REGEX "${need}")
  if(NOT found)
    message(FATAL_ERROR "not installed: ${need} (installed: ${installed})")
  endif()
endforeach()
set(found ${installed})
list(FILTER found INCLUDE REGEX "^bin/")
if(found)
  message(FATAL_ERROR "installed although the tool was left out: ${found}")
endif()
if(NOT EXISTS ${build}/models/qxr7310/orvdb_modelc)
  message(FATAL_ERROR "the model compiler was not built")
endif()
