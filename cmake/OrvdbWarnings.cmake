# Warnings of every object, and -Werror behind ORVDB_WERROR: off by default,
# so that a newcomer's build with another compiler or build type is not
# stopped by a new warning; on in every preset and in CI.
#
# Sets ORVDB_LIBRARY_WARNING_OPTIONS, which the library's own objects add
# (orvdb_lib_options): the warnings silenced below are on again there, so
# that no warning is ever silenced in the library.
option(ORVDB_WERROR "Treat compiler warnings as errors" OFF)

add_compile_options(-Wall -Wextra)
if(ORVDB_WERROR)
  add_compile_options(-Werror)
endif()

# g++ 12 warns wrongly about overlapping copies inside its own std::string
# once it inlines them at -O3 (and, in the MinGW build, about bounds and
# sizes inside its containers at -O2). Build-time code, the tool and the
# tests use these containers freely, so the warnings are silenced there; the
# library's objects, which use no container, keep them.
set(ORVDB_CONTAINER_WARNINGS)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND ORVDB_CONTAINER_WARNINGS restrict)
  if(MINGW)
    list(APPEND ORVDB_CONTAINER_WARNINGS array-bounds stringop-overflow)
  endif()
endif()
set(ORVDB_LIBRARY_WARNING_OPTIONS)
if(ORVDB_CONTAINER_WARNINGS)
  list(TRANSFORM ORVDB_CONTAINER_WARNINGS PREPEND -Wno- OUTPUT_VARIABLE flags)
  add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:${flags}>")
  # orvdb_static hands orvdb_lib_options on to the tests that link it; the
  # library's own objects are its object libraries.
  list(TRANSFORM ORVDB_CONTAINER_WARNINGS PREPEND -W OUTPUT_VARIABLE flags)
  set(ORVDB_LIBRARY_WARNING_OPTIONS
      "$<$<AND:$<COMPILE_LANGUAGE:CXX>,$<STREQUAL:$<TARGET_PROPERTY:TYPE>,OBJECT_LIBRARY>>:${flags}>")
endif()
