# Reads the export and import tables of a model's DLL with the MinGW objdump and
# fails unless the DLL exports exactly the six access functions, undecorated,
# and imports from the kernel, the spooler and the C runtime only.
# cmake -DOBJDUMP=<objdump> -DDLL=<model.dll> -P check_dll_tables.cmake
cmake_minimum_required(VERSION 3.25)
foreach(var OBJDUMP DLL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE tables RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed: ${result}")
endif()

set(expected_exports
  ORV_AccessDrvDataBase ORV_AccessLMDataBase ORV_AccessMntDataBase ORV_AccessPADataBase
  ORV_AccessRootDataBase ORV_AccessSMDataBase)
set(allowed_imports KERNEL32.DLL MSVCRT.DLL WINSPOOL.DRV)

# Export names follow the "[Ordinal/Name Pointer] Table" heading, one a line:
# "	[   0] ORV_AccessDrvDataBase".
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([ \t]+\\[[ 0-9]+\\][^\n]*\n)*)"
       export_block "${tables}")
set(exports)
string(REGEX MATCHALL "\\[[ 0-9]+\\] [^\n]+" export_lines "${CMAKE_MATCH_1}")
foreach(line IN LISTS export_lines)
  string(REGEX REPLACE "^\\[[ 0-9]+\\] " "" name "${line}")
  string(STRIP "${name}" name)
  list(APPEND exports "${name}")
endforeach()
list(SORT exports)

string(REGEX MATCHALL "DLL Name: [^\n]+" import_lines "${tables}")
set(imports)
foreach(line IN LISTS import_lines)
  string(REGEX REPLACE "^DLL Name: " "" name "${line}")
  string(STRIP "${name}" name)
  string(TOUPPER "${name}" name)
  list(APPEND imports "${name}")
endforeach()
list(REMOVE_DUPLICATES imports)

set(faults)
if(NOT exports STREQUAL expected_exports)
  list(APPEND faults "exports are [${exports}], expected [${expected_exports}]")
endif()
if(NOT imports)
  list(APPEND faults "no import table found")
endif()
foreach(name IN LISTS imports)
  if(NOT name IN_LIST allowed_imports)
    list(APPEND faults "imports from ${name}")
  endif()
endforeach()
foreach(name IN LISTS allowed_imports)
  if(NOT name IN_LIST imports)
    list(APPEND faults "does not import from ${name}")
  endif()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "${DLL}:\n  ${text}")
endif()
file(SIZE ${DLL} size)
message(STATUS "${DLL}: ${size} bytes; exports ${exports}; imports ${imports}")
