# Every printer model is a package of its own: a description, compiled at
# build time into the model's image, and a library built from that image and
# the model-independent objects (engine, computed items, Drv records, exports,
# platform), which are compiled once and linked into every model's library.
#
# orvdb_add_model(<library>
#                 DESCRIPTION <source>...  the description's sources
#                 [GOLDEN <file>])         the golden dump (default golden/image_dump.txt)
#
# called from the model's folder, defines:
#   <library>              the shared library (lib<library>.so) or DLL (<library>.dll,
#                          import library lib<library>.dll.a) with the six exports, and
#                          on Linux the stand-in platform's controls; written to the top of
#                          the build tree
#   <library>_static       the same objects as a static library, for tests that reach
#                          internal functions
#   <library>_description  the description as a library, for the model's data tests
#   <library>_modelc       the model's compiler (a host program, see OrvdbHostPrograms)
#   <library>_image        the object of the generated image source; the same compile
#                          writes the image file <library>.orvimg beside that source (its
#                          path in the global property ORVDB_MODEL_IMAGE_FILE_<library>)
#   update_golden_dump_<library>  rewrites the golden dump (update_golden_dump: every model's)
# and records the model in the global property ORVDB_MODEL_LIBRARIES (its
# folder in ORVDB_MODEL_FOLDER_<library>), from which tools/ builds each
# model's tool and reference,
# and, with the tests, the tests <library>_golden_dump (the golden dump is the
# description's), <library>_exported_symbols (Linux) or <library>_dll_tables
# (Windows: the DLL's export and import tables).
#
# ORVDB_LIBRARY_OBJECTS, the model-independent objects, is set before the
# models are added.

set(ORVDB_MODELC_MAIN ${PROJECT_SOURCE_DIR}/src/modelc/modelc.cc)
set(ORVDB_DEF_TEMPLATE ${PROJECT_SOURCE_DIR}/src/exports/exports.def.in)
set(ORVDB_VERSION_SCRIPT ${PROJECT_SOURCE_DIR}/src/orvdb.map)
add_custom_target(update_golden_dump)

# orvdb_add_model_test(<name> LIBRARIES <library>... SOURCES <source>...): a
# GoogleTest executable that links only the given libraries of one model (no
# other model's objects: every model's library exports the same names),
# registered with CTest.
function(orvdb_add_model_test name)
  cmake_parse_arguments(ARG "" "" "LIBRARIES;SOURCES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gtest_main)
  if(WIN32)
    target_link_libraries(${name} PRIVATE winspool)
    # The loader finds a DLL beside the program.
    foreach(library IN LISTS ARG_LIBRARIES)
      get_target_property(type ${library} TYPE)
      if(type STREQUAL "SHARED_LIBRARY")
        add_custom_command(TARGET ${name} POST_BUILD
          COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${library}>
                  $<TARGET_FILE_DIR:${name}>
          VERBATIM)
      endif()
    endforeach()
  endif()
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

function(orvdb_add_model library)
  cmake_parse_arguments(ARG "" "GOLDEN" "DESCRIPTION" ${ARGN})
  if(NOT ARG_DESCRIPTION)
    message(FATAL_ERROR "orvdb_add_model(${library}): no DESCRIPTION sources")
  endif()
  if(NOT ARG_GOLDEN)
    set(ARG_GOLDEN ${CMAKE_CURRENT_SOURCE_DIR}/golden/image_dump.txt)
  endif()

  set_property(GLOBAL APPEND PROPERTY ORVDB_MODEL_LIBRARIES ${library})
  set_property(GLOBAL PROPERTY ORVDB_MODEL_FOLDER_${library} ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(GLOBAL PROPERTY ORVDB_MODEL_IMAGE_FILE_${library}
               ${CMAKE_CURRENT_BINARY_DIR}/${library}.orvimg)

  # The description and its compiler.
  add_library(${library}_description STATIC ${ARG_DESCRIPTION})
  target_link_libraries(${library}_description PUBLIC orvdb_modelc_core)
  if(NOT CMAKE_CROSSCOMPILING)
    add_executable(${library}_modelc ${ORVDB_MODELC_MAIN})
    target_link_libraries(${library}_modelc PRIVATE ${library}_description orvdb_modelc_core
                          orvdb_image_file orvdb_image_dump)
  endif()
  orvdb_host_program(${library}_modelc modelc)

  # The image, compiled from the description, as source and as image file.
  set(image_source ${CMAKE_CURRENT_BINARY_DIR}/builtin_image.cc)
  set(image_file ${CMAKE_CURRENT_BINARY_DIR}/${library}.orvimg)
  add_custom_command(
    OUTPUT ${image_source} ${image_file}
    COMMAND ${modelc} --source ${image_source} --image-file ${image_file}
    DEPENDS ${modelc_DEPENDS}
    COMMENT "Compiling the model description of ${library} into its image"
    VERBATIM)
  add_library(${library}_image OBJECT ${image_source})
  target_link_libraries(${library}_image PRIVATE orvdb_lib_options)
  set(objects ${ORVDB_LIBRARY_OBJECTS} $<TARGET_OBJECTS:${library}_image>)

  # The shared library: exactly the exported API is visible.
  add_library(${library} SHARED ${objects})
  target_include_directories(${library} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include> $<INSTALL_INTERFACE:include>)
  set_target_properties(${library} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  if(NOT WIN32)
    target_link_options(${library} PRIVATE -Wl,--version-script=${ORVDB_VERSION_SCRIPT})
    set_property(TARGET ${library} APPEND PROPERTY LINK_DEPENDS ${ORVDB_VERSION_SCRIPT})
    # Every symbol the library uses must be resolved when it is linked, except
    # in clang builds with a sanitizer: clang links a sanitizer's runtime into
    # programs only, and the library finds it in the program that loads it.
    if(NOT (CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND
            "${CMAKE_CXX_FLAGS} ${CMAKE_SHARED_LINKER_FLAGS}" MATCHES "-fsanitize="))
      target_link_options(${library} PRIVATE -Wl,--no-undefined)
    endif()
  endif()

  # The same objects as a static library, so that tests reach internal functions.
  add_library(${library}_static STATIC ${objects})
  target_link_libraries(${library}_static PUBLIC orvdb_lib_options)

  if(WIN32)
    # <library>.dll exports the six functions by undecorated name, listed in
    # a .def written from one template with the DLL's own LIBRARY line. On
    # 32-bit x86 the stdcall symbols are named with their argument size
    # (ORV_AccessRootDataBase@20): the linker gets the list with those names
    # and --kill-at exports them undecorated, while the import library keeps
    # the decorated names that callers' objects refer to.
    set(ORVDB_DLL_NAME ${library}.dll)
    set(ORVDB_EXPORT_SUFFIX "")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(ORVDB_EXPORT_SUFFIX "@20")
    endif()
    set(def_file ${CMAKE_CURRENT_BINARY_DIR}/${library}.def)
    configure_file(${ORVDB_DEF_TEMPLATE} ${def_file} @ONLY)
    target_sources(${library} PRIVATE ${def_file})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      target_link_options(${library} PRIVATE -Wl,--kill-at)
      # The linker's own import library would name the undecorated symbols;
      # dlltool writes one with the decorated names, importing undecorated.
      add_custom_command(TARGET ${library} POST_BUILD
        COMMAND ${CMAKE_DLLTOOL} --input-def ${def_file} --dllname $<TARGET_FILE_NAME:${library}>
                --output-lib $<TARGET_LINKER_FILE:${library}> --kill-at
        VERBATIM)
    endif()
    # <library>.dll, not lib<library>.dll; the import library is lib<library>.dll.a.
    set_target_properties(${library} PROPERTIES PREFIX "")
    target_link_options(${library} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
    target_link_libraries(${library} PRIVATE winspool)
    target_link_libraries(${library}_static PUBLIC winspool)
  endif()

  # The golden dump is rewritten only on request; a test holds it to the description.
  add_custom_target(update_golden_dump_${library}
    COMMAND ${modelc} --dump ${ARG_GOLDEN}
    DEPENDS ${modelc_DEPENDS}
    COMMENT "Rewriting ${ARG_GOLDEN}"
    VERBATIM)
  add_dependencies(update_golden_dump update_golden_dump_${library})

  if(ORVDB_BUILD_TESTS)
    add_test(NAME ${library}_golden_dump COMMAND ${modelc} --check-dump ${ARG_GOLDEN})
    if(WIN32)
      add_test(NAME ${library}_dll_tables
               COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:${library}>
                       -P ${PROJECT_SOURCE_DIR}/tests/windows/check_dll_tables.cmake)
    elseif(ORVDB_PLATFORM STREQUAL "host" AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
      # The access functions and the stand-in platform's controls, nothing else.
      add_test(NAME ${library}_exported_symbols
               COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DLIBRARY=$<TARGET_FILE:${library}>
                       -P ${PROJECT_SOURCE_DIR}/tests/symbols/check_exports.cmake)
    endif()
  endif()
endfunction()
