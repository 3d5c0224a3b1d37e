# Checks that a shared library defines exactly the expected dynamic symbols.
# Run as: cmake -DNM=<nm> -DLIBRARY=<liborvdb.so> -P check_exports.cmake
set(expected
  ORV_AccessDrvDataBase
  ORV_AccessLMDataBase
  ORV_AccessMntDataBase
  ORV_AccessPADataBase
  ORV_AccessRootDataBase
  ORV_AccessSMDataBase
  orv_host_add_printer
  orv_host_close_printer
  orv_host_fail_allocation
  orv_host_live_allocations
  orv_host_open_printer
  orv_host_open_printers
  orv_host_reset
  orv_host_set_clock
  orv_host_set_country
  orv_host_set_printer_data
  orv_host_use_system_clock)

if(NOT NM OR NOT LIBRARY)
  message(FATAL_ERROR "usage: cmake -DNM=<nm> -DLIBRARY=<library> -P check_exports.cmake")
endif()

execute_process(
  COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE listing
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}: ${errors}")
endif()

# Each line is "<address> <type> <name>[@version]".
set(actual)
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]* *[A-Za-z] ([^ @]+)")
    list(APPEND actual "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(SORT actual)
list(REMOVE_DUPLICATES actual)

set(missing ${expected})
if(actual)
  list(REMOVE_ITEM missing ${actual})
endif()
set(unexpected ${actual})
list(REMOVE_ITEM unexpected ${expected})
if(missing OR unexpected)
  list(JOIN missing " " missing_text)
  list(JOIN unexpected " " unexpected_text)
  message(FATAL_ERROR "exported symbols differ\n  missing:    ${missing_text}\n"
                      "  unexpected: ${unexpected_text}")
endif()
list(LENGTH actual count)
message(STATUS "${count} exported symbols, as expected")
