# cmake -DTOOL=crvt-tool -DINPUTS=a.tsv|b.tsv -DWORK_DIR=dir -DOUTPUT=crvt.dat -P buildstore.cmake
#
# Checks each quiz list on its own first, so that a bad line is reported with its own
# file and line number, then joins the lists and builds the store from them.
string(REPLACE "|" ";" inputs "${INPUTS}")
set(scratch ${WORK_DIR}/check.dat)
set(joined ${WORK_DIR}/quiz-all.tsv)
file(WRITE ${joined} "")
foreach(input IN LISTS inputs)
  execute_process(COMMAND ${TOOL} build ${input} ${scratch}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    file(REMOVE ${scratch})
    message(FATAL_ERROR "${err}")
  endif()
  file(READ ${input} text)
  # A list whose last line has no line end must not run into the next list's first line.
  if(NOT text STREQUAL "" AND NOT text MATCHES "\n$")
    string(APPEND text "\n")
  endif()
  file(APPEND ${joined} "${text}")
endforeach()
file(REMOVE ${scratch})
execute_process(COMMAND ${TOOL} build ${joined} ${OUTPUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "crvt.dat was not built")
endif()
