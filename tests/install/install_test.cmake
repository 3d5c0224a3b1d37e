# Run by CTest: install BUILD_DIR into WORK_DIR/prefix, then build and run
# the consumer against it with find_package and with pkg-config. Programs
# run under EMULATOR when the build has one (a 32-bit build on a machine that
# runs no 32-bit programs).
file(REMOVE_RECURSE ${WORK_DIR})
set(PREFIX ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(OUT "${out}" PARENT_SCOPE)
endfunction()

function(expect_version what)
  string(STRIP "${OUT}" got)
  if(NOT got STREQUAL "1.50")
    message(FATAL_ERROR "${what} printed '${got}', expected '1.50'")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})

# The headers, a versioned library with its soname link, the package files.
file(GLOB libs ${PREFIX}/lib*/liborvdb.so.0 ${PREFIX}/lib*/*/liborvdb.so.0)
file(GLOB configs ${PREFIX}/lib*/cmake/orvdb/orvdbConfig.cmake
                  ${PREFIX}/lib*/*/cmake/orvdb/orvdbConfig.cmake)
file(GLOB pcs ${PREFIX}/lib*/pkgconfig/orvdb.pc ${PREFIX}/lib*/*/pkgconfig/orvdb.pc)
set(needed ${PREFIX}/include/orvdb/orvdb.h)
if(TOOL)
  list(APPEND needed ${PREFIX}/bin/orvdb)
endif()
foreach(need ${needed})
  if(NOT EXISTS ${need})
    message(FATAL_ERROR "not installed: ${need}")
  endif()
endforeach()
if(NOT libs OR NOT configs OR NOT pcs)
  message(FATAL_ERROR "missing: soname link '${libs}', config '${configs}', pc '${pcs}'")
endif()
list(GET libs 0 lib)
get_filename_component(LIBDIR ${lib} DIRECTORY)
list(GET pcs 0 pc)
get_filename_component(PCDIR ${pc} DIRECTORY)

# The consumers are built with the build's own C flags, so that a library
# built with sanitizers is used by programs that carry their runtime.
separate_arguments(c_flags UNIX_COMMAND "${C_FLAGS}")

# 1. find_package(orvdb) -> orvdb::orvdb
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/cmake-consumer -G ${GENERATOR}
    -DCMAKE_C_COMPILER=${C_COMPILER} "-DCMAKE_C_FLAGS=${C_FLAGS}" -DCMAKE_PREFIX_PATH=${PREFIX})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-consumer)
run(${EMULATOR} ${WORK_DIR}/cmake-consumer/consumer)
expect_version("the find_package consumer")

# 2. pkg-config (left out at configure time, with a message, when missing)
if(PKG_CONFIG)
  set(ENV{PKG_CONFIG_PATH} ${PCDIR})
  run(${PKG_CONFIG} --cflags orvdb)
  string(STRIP "${OUT}" cflags)
  run(${PKG_CONFIG} --libs orvdb)
  string(STRIP "${OUT}" libflags)
  separate_arguments(cflags UNIX_COMMAND "${cflags}")
  separate_arguments(libflags UNIX_COMMAND "${libflags}")
  run(${C_COMPILER} ${c_flags} ${cflags} ${CONSUMER_DIR}/consumer.c -o ${WORK_DIR}/pc-consumer ${libflags}
      -Wl,-rpath,${LIBDIR})
  run(${EMULATOR} ${WORK_DIR}/pc-consumer)
  expect_version("the pkg-config consumer")
endif()

# 3. the installed tool
if(TOOL)
  run(${EMULATOR} ${PREFIX}/bin/orvdb query root 2)
  expect_version("orvdb query root 2")
endif()
