# Writes one manual page: cmake -DSOURCE=<page>.pod -DPAGE=<out> -DSECTION=<n>
# -DRELEASE=<text> -DPOD2MAN=<pod2man> -DGENERATED_DIR=<dir> -DSOURCE_ROOT=<dir>
# -P manual_page.cmake
# Each line `=for orvdb include NAME` of SOURCE is replaced by the file NAME
# of GENERATED_DIR or else of SOURCE_ROOT: a .pod file as POD, any other as
# a verbatim block. pod2man then renders the whole, stopping on any POD error,
# and PAGE.gz is written beside PAGE.
file(READ ${SOURCE} text)
string(REGEX MATCHALL "=for orvdb include [^\n]+" markers "${text}")
foreach(marker IN LISTS markers)
  string(REGEX REPLACE "^=for orvdb include " "" name "${marker}")
  set(path "")
  foreach(dir ${GENERATED_DIR} ${SOURCE_ROOT})
    if(path STREQUAL "" AND EXISTS ${dir}/${name})
      set(path ${dir}/${name})
    endif()
  endforeach()
  if(path STREQUAL "")
    message(FATAL_ERROR "${SOURCE}: ${name} found neither in ${GENERATED_DIR} nor in ${SOURCE_ROOT}")
  endif()
  file(READ ${path} included)
  if(NOT name MATCHES "\\.pod$")
    # A verbatim block: every line indented, empty lines left empty.
    string(REGEX REPLACE "\n$" "" included "${included}")
    string(REGEX REPLACE "\n" "\n    " included "    ${included}")
    string(REGEX REPLACE "\n    \n" "\n\n" included "${included}")
    string(REGEX REPLACE "\n    \n" "\n\n" included "${included}")
    string(APPEND included "\n")
  endif()
  string(REPLACE "${marker}\n" "${included}" text "${text}")
endforeach()
get_filename_component(name ${PAGE} NAME_WE)
string(TOUPPER ${name} title)
set(filled ${PAGE}.pod)
file(WRITE ${filled} "${text}")
execute_process(
  COMMAND ${POD2MAN} --errors=die --utf8 --section=${SECTION} --name=${title}
          --center=orvdb --release=${RELEASE} ${filled} ${PAGE}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pod2man failed on ${filled}")
endif()
# Installed compressed, as Debian's manual pages are: gzip -9n leaves no
# name or time stamp in the file, so the package builds the same each time.
execute_process(COMMAND gzip -9n -c ${PAGE} OUTPUT_FILE ${PAGE}.gz RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${PAGE}")
endif()
