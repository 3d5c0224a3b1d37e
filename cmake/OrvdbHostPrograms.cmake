# Programs that run during the build (the model compiler) must run on the
# build machine. A native build runs its own targets. A cross build (the
# Windows DLLs) runs native builds of the same programs instead: those of a
# native sub-build of this source tree in <build>/host, configured with the
# optional parts off and built once per cross build before anything runs
# them, or a program the cache names (ORVDB_MODELC_EXE for orvdb_modelc).
# Whatever a program writes must not depend on the machine it runs on.
#
# In the native sub-build, ORVDB_HOST_PROGRAMS_DIR is the folder the host
# programs are written to, and the target orvdb_host_programs builds them.

set(ORVDB_HOST_PROGRAMS_DIR "" CACHE PATH
    "Folder for the build-time programs (set by a cross build for its native sub-build)")
mark_as_advanced(ORVDB_HOST_PROGRAMS_DIR)
if(NOT CMAKE_CROSSCOMPILING)
  add_custom_target(orvdb_host_programs)
endif()

# orvdb_add_host_build(): adds the native sub-build of a cross build when
# some program of it is used; called once, after every orvdb_host_program.
function(orvdb_add_host_build)
  get_property(programs GLOBAL PROPERTY ORVDB_HOST_BUILD_PROGRAMS)
  if(NOT programs)
    return()
  endif()
  set(ORVDB_HOST_C_COMPILER "" CACHE FILEPATH
      "C compiler of the native sub-build of a cross build (empty: CMake's choice)")
  set(ORVDB_HOST_CXX_COMPILER "" CACHE FILEPATH
      "C++ compiler of the native sub-build of a cross build (empty: CMake's choice)")
  set(compilers)
  if(ORVDB_HOST_C_COMPILER)
    list(APPEND compilers -DCMAKE_C_COMPILER=${ORVDB_HOST_C_COMPILER})
  endif()
  if(ORVDB_HOST_CXX_COMPILER)
    list(APPEND compilers -DCMAKE_CXX_COMPILER=${ORVDB_HOST_CXX_COMPILER})
  endif()
  include(ExternalProject)
  # Built on every build: the sub-build itself decides whether anything
  # changed, and what runs its programs reruns only when they do.
  ExternalProject_Add(orvdb_host_build
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/host
    CMAKE_ARGS ${compilers}
               -DORVDB_HOST_PROGRAMS_DIR=${CMAKE_BINARY_DIR}/host/bin
               -DORVDB_BUILD_TOOLS=OFF -DORVDB_BUILD_TESTS=OFF -DORVDB_BUILD_BENCH=OFF
               -DORVDB_WERROR=${ORVDB_WERROR}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target orvdb_host_programs
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${programs}
    USES_TERMINAL_CONFIGURE ON
    USES_TERMINAL_BUILD ON)
endfunction()

# orvdb_host_program(<target> <var>): sets <var> to the program that a
# build-time command runs for the executable <target> (use it in COMMAND) and
# <var>_DEPENDS to what the command depends on (use it in DEPENDS). That is
# the target itself in a native build. In a cross build it is the program
# named by the cache variable ORVDB_<NAME>_EXE (<target> without "orvdb_", in
# capitals) when that is set, and otherwise the sub-build's native <target>,
# built by the sub-build's target orvdb_host_build first.
function(orvdb_host_program target var)
  if(NOT CMAKE_CROSSCOMPILING)
    add_dependencies(orvdb_host_programs ${target})
    if(ORVDB_HOST_PROGRAMS_DIR)
      set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ORVDB_HOST_PROGRAMS_DIR})
    endif()
    # A native build whose programs need an emulator (cmake/OrvdbTargetRunner
    # .cmake) names it itself: CMake adds it to custom commands only in
    # cross builds.
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      set(${var} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${target}> PARENT_SCOPE)
    else()
      set(${var} ${target} PARENT_SCOPE)
    endif()
    set(${var}_DEPENDS ${target} PARENT_SCOPE)
    return()
  endif()
  string(REGEX REPLACE "^orvdb_" "" name ${target})
  string(TOUPPER "ORVDB_${name}_EXE" cache_var)
  set(${cache_var} "" CACHE FILEPATH
      "A native ${target} for this cross build to run (empty: build one in <build>/host)")
  if(${cache_var})
    set(${var} ${${cache_var}} PARENT_SCOPE)
    set(${var}_DEPENDS ${${cache_var}} PARENT_SCOPE)
    return()
  endif()
  set(program ${CMAKE_BINARY_DIR}/host/bin/${target})
  set_property(GLOBAL APPEND PROPERTY ORVDB_HOST_BUILD_PROGRAMS ${program})
  set(${var} ${program} PARENT_SCOPE)
  set(${var}_DEPENDS ${program} orvdb_host_build PARENT_SCOPE)
endfunction()
