# The manual pages orvdb(1) and orvdb(3), built from their POD sources in
# docs/man/ with pod2man (ORVDB_BUILD_MANUALS, cmake/OrvdbOptionalParts.cmake)
# and installed. A source's `=for orvdb include NAME` lines take in the lists
# orvdb_docs writes from the tool's command line (ORVDB_DOCS_DIR), or a file
# of the source tree, such as a C example, shown as it is.
if(NOT ORVDB_BUILD_MANUALS)
  return()
endif()

set(ORVDB_MANUAL_PAGES)
foreach(page orvdb.1 orvdb.3)
  string(REGEX MATCH "[0-9]$" section ${page})
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.pod)
  # Every file a source includes, so that a change to one rebuilds the page.
  file(STRINGS ${source} includes REGEX "^=for orvdb include ")
  set(included)
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^=for orvdb include " "" name "${line}")
    if(EXISTS ${PROJECT_SOURCE_DIR}/${name})
      list(APPEND included ${PROJECT_SOURCE_DIR}/${name})
    else()
      list(APPEND included ${ORVDB_DOCS_DIR}/${name})
    endif()
  endforeach()
  add_custom_command(OUTPUT ${ORVDB_MAN_DIR}/${page} ${ORVDB_MAN_DIR}/${page}.gz
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${source} -DPAGE=${ORVDB_MAN_DIR}/${page}
            -DSECTION=${section} -DRELEASE=orvdb\ ${PROJECT_VERSION} -DPOD2MAN=${ORVDB_POD2MAN}
            -DGENERATED_DIR=${ORVDB_DOCS_DIR} -DSOURCE_ROOT=${PROJECT_SOURCE_DIR}
            -P ${PROJECT_SOURCE_DIR}/cmake/manual_page.cmake
    DEPENDS ${source} ${included} ${PROJECT_SOURCE_DIR}/cmake/manual_page.cmake
    COMMENT "Writing the manual page ${page}"
    VERBATIM)
  list(APPEND ORVDB_MANUAL_PAGES ${ORVDB_MAN_DIR}/${page})
  install(FILES ${ORVDB_MAN_DIR}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
add_custom_target(orvdb_manual_pages ALL DEPENDS ${ORVDB_MANUAL_PAGES})
