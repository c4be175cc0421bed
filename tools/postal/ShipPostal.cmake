# Run by the build: imports the converted postal list LIST into the dictionary folder
# DEST with the importer TOOL, when the list exists and the dictionary is missing or
# older than the list or the importer. No list: no shipped dictionary, and the build
# goes on; a list that cannot be imported is reported and leaves DEST as it was.
if(NOT EXISTS "${LIST}")
  message(STATUS "No postal list at ${LIST} (scripts/setup converts one): nortea ships no postal dictionary")
  return()
endif()
set(dictionary "${DEST}/YubinS.dat")
if(EXISTS "${dictionary}" AND NOT "${LIST}" IS_NEWER_THAN "${dictionary}"
   AND NOT "${TOOL}" IS_NEWER_THAN "${dictionary}")
  return()
endif()
execute_process(COMMAND "${TOOL}" "${LIST}" "${DEST}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(WARNING "The postal list ${LIST} could not be imported: nortea ships no new postal dictionary")
endif()
