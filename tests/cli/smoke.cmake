# The Win32 voxbank under Wine: the demo bank listed, its sounds extracted and put back in one
# pass, and the bank the same byte for byte afterwards; then a sound replaced by another and the
# replace undone; the untouched extract imported back, with --convert where the build has it,
# and --convert refused where it does not.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(run)
  execute_process(COMMAND ${EMULATOR} ${ARGN} WORKING_DIRECTORY "${WORK}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN}: exit status ${status}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run("${MKDEMO}" .)
configure_file("${WORK}/DEMO.SFX" "${WORK}/before.sfx" COPYONLY)
run("${VOXBANK}" list DEMO.SFX)
if(NOT out MATCHES "  1  Rising chirp +[0-9]+ +[0-9]+  PCM 1ch 22050 Hz 16-bit")
  message(FATAL_ERROR "list printed:\n${out}")
endif()
run("${VOXBANK}" extract DEMO.SFX -o out\\wav)
run("${VOXBANK}" replace DEMO.SFX "1=out\\wav\\001-Rising chirp.wav" "Stereo beep=out/wav/003-Stereo beep.wav")
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files DEMO.SFX before.sfx WORKING_DIRECTORY "${WORK}"
                RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "DEMO.SFX differs after its own sounds were put back")
endif()

run("${VOXBANK}" replace DEMO.SFX "1=out\\wav\\003-Stereo beep.wav")
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files DEMO.SFX.bak before.sfx WORKING_DIRECTORY "${WORK}"
                RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "DEMO.SFX.bak is not the bank before the replace")
endif()
run("${VOXBANK}" undo DEMO.SFX)
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files DEMO.SFX before.sfx WORKING_DIRECTORY "${WORK}"
                RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "DEMO.SFX differs after the undo")
endif()

# The folder extract wrote, untouched, replaces nothing.
run("${VOXBANK}" import DEMO.SFX out\\wav)
if(NOT out MATCHES "differs")
  message(FATAL_ERROR "import of an untouched extract printed:\n${out}")
endif()

# A build with the converter takes import --convert; one without says so when asked.
if(CONVERTS)
  run("${VOXBANK}" import DEMO.SFX out\\wav --convert)
  if(NOT out MATCHES "differs")
    message(FATAL_ERROR "import --convert of an untouched extract printed:\n${out}")
  endif()
else()
  execute_process(COMMAND ${EMULATOR} "${VOXBANK}" replace DEMO.SFX "1=out\\wav\\003-Stereo beep.wav" --convert
                  WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status ERROR_VARIABLE err)
  if(NOT status EQUAL 2 OR NOT err MATCHES "libsndfile")
    message(FATAL_ERROR "--convert in the Win32 build: status ${status}\n${err}")
  endif()
endif()
