# Steps the voxbank scripts share, run in WORK.
# run(COMMAND...): fails the test unless the command exits 0; what it printed is in out.
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN}: exit status ${status}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

# Fails with why unless the two files hold the same bytes.
function(same a b why)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files ${a} ${b} WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${why}")
  endif()
endfunction()
