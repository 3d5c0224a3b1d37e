# What each preset needs beyond the default build, checked before CMake
# tries the compilers, so that a machine without it gets one line naming the
# Debian packages instead of a failed compiler test. A preset names itself in
# ORVDB_PRESET; a build configured by hand sets none and is not checked.
#
#   preset       needs
#   linux-i686   32-bit C and C++ compilers and libraries (g++-multilib)
#   asan         gcc's address and undefined-behaviour sanitizers
#   clang        clang
#   tsan, fuzz   clang and its sanitizer and fuzzer runtimes
#   coverage     clang, its profile runtime, llvm-profdata and llvm-cov
#   bench        Google Benchmark
#   mingw64      the 64-bit MinGW-w64 compilers and Wine, which runs the tests
#   mingw32      the 32-bit MinGW-w64 compilers (its tests are not run)
#   release      dpkg-shlibdeps and file, which the Debian package is made with

set(ORVDB_PRESET "" CACHE STRING "The preset this build was configured with (checked for what it needs)")

# Stops the configuration with one line: the preset, what is missing, and
# the packages that bring it.
function(orvdb_preset_lacks what packages)
  # A leading space keeps CMake from wrapping the line.
  message(FATAL_ERROR " The ${ORVDB_PRESET} preset needs ${what}: apt-get install ${packages}")
endfunction()

# Stops unless one of `names` is a program on the PATH.
function(orvdb_preset_needs_program packages)
  find_program(orvdb_found NAMES ${ARGN} PATHS /usr/lib/wine NO_CACHE)
  if(NOT orvdb_found)
    list(GET ARGN 0 first)
    orvdb_preset_lacks("${first}" "${packages}")
  endif()
endfunction()

# Stops unless `compiler` with `flags` compiles and links a small program in
# `language` (c or c++) that uses its standard library.
function(orvdb_preset_needs_build what packages compiler language flags)
  set(dir ${CMAKE_BINARY_DIR}/preset_needs)
  file(MAKE_DIRECTORY ${dir})
  if(language STREQUAL "c")
    file(WRITE ${dir}/probe.c "#include <stdio.h>\nint main(void) { return puts(\"\") < 0; }\n")
    set(source ${dir}/probe.c)
  else()
    # The fuzzer's runtime brings main and calls the fuzz target instead.
    file(WRITE ${dir}/probe.cc
         "#include <string>\n"
         "#ifdef ORVDB_PROBE_FUZZ\n"
         "extern \"C\" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) {\n"
         "  return std::string(\"x\").size() != 1;\n}\n"
         "#else\n"
         "int main() { std::string s(\"x\"); return s.size() != 1; }\n"
         "#endif\n")
    set(source ${dir}/probe.cc)
  endif()
  separate_arguments(flag_list UNIX_COMMAND "${flags}")
  execute_process(
    COMMAND ${compiler} ${flag_list} ${source} -o ${dir}/probe
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  file(REMOVE_RECURSE ${dir})
  if(NOT status EQUAL 0)
    orvdb_preset_lacks("${what}" "${packages}")
  endif()
endfunction()

if(ORVDB_PRESET STREQUAL "linux-i686")
  orvdb_preset_needs_build("32-bit C libraries (-m32)" g++-multilib gcc c "-m32")
  orvdb_preset_needs_build("32-bit C++ libraries (-m32)" g++-multilib g++ c++ "-m32")
elseif(ORVDB_PRESET STREQUAL "asan")
  orvdb_preset_needs_build("gcc's sanitizer runtimes" "libasan8 libubsan1" g++ c++
                           "-fsanitize=address,undefined")
elseif(ORVDB_PRESET STREQUAL "clang")
  orvdb_preset_needs_program(clang clang++)
elseif(ORVDB_PRESET STREQUAL "tsan")
  orvdb_preset_needs_program(clang clang++)
  orvdb_preset_needs_build("clang's thread sanitizer runtime" libclang-rt-14-dev clang++ c++
                           "-fsanitize=thread")
elseif(ORVDB_PRESET STREQUAL "fuzz")
  orvdb_preset_needs_program(clang clang++)
  orvdb_preset_needs_build("clang's fuzzer and sanitizer runtimes" libclang-rt-14-dev clang++ c++
                           "-fsanitize=fuzzer,address,undefined -DORVDB_PROBE_FUZZ")
elseif(ORVDB_PRESET STREQUAL "coverage")
  orvdb_preset_needs_program(clang clang++)
  orvdb_preset_needs_build("clang's profile runtime" libclang-rt-14-dev clang++ c++
                           "-fprofile-instr-generate -fcoverage-mapping")
  orvdb_preset_needs_program(llvm-14 llvm-profdata-14 llvm-profdata)
  orvdb_preset_needs_program(llvm-14 llvm-cov-14 llvm-cov)
elseif(ORVDB_PRESET STREQUAL "bench")
  find_path(orvdb_benchmark_header benchmark/benchmark.h PATHS /usr/include /usr/local/include
            NO_CACHE)
  if(NOT orvdb_benchmark_header)
    orvdb_preset_lacks("Google Benchmark" libbenchmark-dev)
  endif()
elseif(ORVDB_PRESET STREQUAL "mingw64")
  orvdb_preset_needs_program(g++-mingw-w64-x86-64 x86_64-w64-mingw32-g++-posix
                             x86_64-w64-mingw32-g++)
  orvdb_preset_needs_program("wine wine64" wine64 wine)
elseif(ORVDB_PRESET STREQUAL "mingw32")
  orvdb_preset_needs_program(g++-mingw-w64-i686 i686-w64-mingw32-g++-posix i686-w64-mingw32-g++)
elseif(ORVDB_PRESET STREQUAL "release")
  orvdb_preset_needs_program(dpkg-dev dpkg-shlibdeps)
  orvdb_preset_needs_program(file file)
endif()
