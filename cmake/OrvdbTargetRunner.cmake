# A native build for the 32-bit form of the build machine's CPU (the
# linux-i686 preset: gcc -m32) runs its programs - the tests, the model
# compiler - directly where the kernel runs 32-bit programs. Where it does
# not (kernels built without 32-bit support), they run under QEMU's user-mode
# emulator, through CMAKE_CROSSCOMPILING_EMULATOR as a cross build's do; the
# programs are the same 32-bit programs either way.
if(NOT CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR
   AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_HOST_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$")
  set(probe ${CMAKE_BINARY_DIR}/CMakeFiles/orvdb_runs_32_bit.c)
  file(WRITE ${probe} "int main(void) { return 0; }\n")
  try_run(ORVDB_32_BIT_RUN_RESULT ORVDB_32_BIT_COMPILES ${CMAKE_BINARY_DIR}/CMakeFiles ${probe})
  if(NOT ORVDB_32_BIT_RUN_RESULT STREQUAL "0")
    find_program(ORVDB_QEMU_I386 qemu-i386)
    if(NOT ORVDB_QEMU_I386)
      message(FATAL_ERROR "This machine runs no 32-bit programs, and qemu-i386, which would "
                          "run them, was not found (Debian package qemu-user)")
    endif()
    message(STATUS "orvdb: this machine runs no 32-bit programs: running them under ${ORVDB_QEMU_I386}")
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVDB_QEMU_I386})
  endif()
endif()
