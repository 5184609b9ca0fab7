# Runs SCENARIO in a fresh WORK folder, then exports the events of the meter and of the relay from the
# history it recorded with KORVEL (no display): the meter's readout and report are the meter's, the
# relay has none.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${RUNNER} ${SCENARIO} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "scenario failed: ${rc}")
endif()
foreach(device 530001 420001)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb
                          ${KORVEL} --export-events ${WORK}/${device}.csv --device ${device}
                          --history ${WORK}/attribution.sqlite
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "export of ${device}: exit ${rc}, standard output \"${out}\", error \"${err}\"")
  endif()
  file(STRINGS ${WORK}/${device}.csv lines)
  list(LENGTH lines count)
  set(rows_${device} ${count})
  set(text_${device} "${lines}")
endforeach()
# The header, the report (with its class, KRİTİK here) and the readout for the meter; the header alone
# for the relay.
if(NOT rows_530001 EQUAL 4 OR NOT text_530001 MATCHES "Sayaç okuma" OR NOT text_530001 MATCHES "Dönem raporu"
   OR NOT rows_420001 EQUAL 1)
  message(FATAL_ERROR "events filed under the wrong device:\n530001: ${text_530001}\n420001: ${text_420001}")
endif()
