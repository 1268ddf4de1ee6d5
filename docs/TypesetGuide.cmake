# Writes OUTPUT, the PDF of the ms document INPUT, with GROFF. groff writes
# to standard output only, and a failed run must not leave a partial PDF.
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
execute_process(
  COMMAND ${GROFF} -ms -t -Tpdf ${INPUT}
  OUTPUT_FILE ${OUTPUT}.part
  ERROR_VARIABLE complaints
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT}.part)
  message(FATAL_ERROR "groff failed (${result}) on ${INPUT}:\n${complaints}")
endif()
if(complaints)
  message(WARNING "groff on ${INPUT}:\n${complaints}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
