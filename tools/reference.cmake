# Writes a model's reference with its tool (`<tool> reference`) and, with
# UPDATE, puts it in the model's folder; otherwise fails unless the committed
# reference is the same text.
# EMULATOR runs the tool where the build's programs need one (linux-i686).
# cmake -DTOOL=<tool> -DREFERENCE=<folder/reference.md> [-DUPDATE=ON] [-DEMULATOR=<program>]
#       -P reference.cmake
execute_process(COMMAND ${EMULATOR} ${TOOL} reference OUTPUT_VARIABLE text RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${TOOL} reference failed: ${rc}")
endif()
if(UPDATE)
  file(WRITE ${REFERENCE} "${text}")
  return()
endif()
set(committed "")
if(EXISTS ${REFERENCE})
  file(READ ${REFERENCE} committed)
endif()
if(NOT committed STREQUAL text)
  message(FATAL_ERROR "${REFERENCE} is not the model's: after an intended change rewrite it "
                      "with the target update_reference and review the diff")
endif()
