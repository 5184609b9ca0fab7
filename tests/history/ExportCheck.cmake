# Runs SCENARIO in a fresh WORK folder, exports device 12001 from the history it recorded with KORVEL
# (no display: DISPLAY unset, X11 asked for) and compares the CSV with EXPECTED.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${RUNNER} ${SCENARIO} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "scenario failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb
                        ${KORVEL} --export-csv ${WORK}/out.csv --device 12001 --history ${WORK}/export.sqlite
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
  message(FATAL_ERROR "export: exit ${rc}, standard output \"${out}\", error \"${err}\"")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/out.csv ${EXPECTED} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(READ ${WORK}/out.csv got)
  message(FATAL_ERROR "the export differs from ${EXPECTED}:\n${got}")
endif()
# A bad argument: exit 2 with the reason on standard error, nothing on standard output.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY QT_QPA_PLATFORM=xcb
                        ${KORVEL} --export-csv ${WORK}/bad.csv --device 12001 --history ${WORK}/missing.sqlite
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT out STREQUAL "" OR NOT err MATCHES "missing.sqlite")
  message(FATAL_ERROR "missing history file: exit ${rc}, standard output \"${out}\", error \"${err}\"")
endif()
