# The Win32 voxbank under Wine: the demo bank listed, its sounds extracted and put back in one
# pass, and the bank the same byte for byte afterwards; then a sound replaced by another and the
# replace undone; the untouched extract imported back, then with one file changed, and with
# --convert where the build has it; refusals said in one line, and --convert refused where the
# build does not have it.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

include("${CMAKE_CURRENT_LIST_DIR}/steps.cmake")

run(${EMULATOR} "${MKDEMO}" .)
configure_file("${WORK}/DEMO.SFX" "${WORK}/before.sfx" COPYONLY)
run(${EMULATOR} "${VOXBANK}" list DEMO.SFX)
if(NOT out MATCHES "  1  Rising chirp +[0-9]+ +[0-9]+  PCM 1ch 22050 Hz 16-bit")
  message(FATAL_ERROR "list printed:\n${out}")
endif()
run(${EMULATOR} "${VOXBANK}" extract DEMO.SFX -o out\\wav)
run(${EMULATOR} "${VOXBANK}" replace DEMO.SFX "1=out\\wav\\001-Rising chirp.wav" "Stereo beep=out/wav/003-Stereo beep.wav")
same(DEMO.SFX before.sfx "DEMO.SFX differs after its own sounds were put back")

run(${EMULATOR} "${VOXBANK}" replace DEMO.SFX "1=out\\wav\\003-Stereo beep.wav")
same(DEMO.SFX.bak before.sfx "DEMO.SFX.bak is not the bank before the replace")
run(${EMULATOR} "${VOXBANK}" undo DEMO.SFX)
same(DEMO.SFX before.sfx "DEMO.SFX differs after the undo")

# The folder extract wrote, untouched, replaces nothing; with one file changed, that one sound
# is replaced and the bank before it kept as the backup.
run(${EMULATOR} "${VOXBANK}" import DEMO.SFX out\\wav)
if(NOT out MATCHES "differs")
  message(FATAL_ERROR "import of an untouched extract printed:\n${out}")
endif()
configure_file("${WORK}/DEMO.SFX" "${WORK}/imported.sfx" COPYONLY)
configure_file("${WORK}/out/wav/003-Stereo beep.wav" "${WORK}/out/wav/001-Rising chirp.wav" COPYONLY)
run(${EMULATOR} "${VOXBANK}" import DEMO.SFX out\\wav)
if(NOT out MATCHES "sound 1 \\(Rising chirp\\): [0-9]+ bytes .*, from out.wav.001-Rising chirp.wav\n")
  message(FATAL_ERROR "import of one changed file printed:\n${out}")
endif()
same(DEMO.SFX.bak imported.sfx "DEMO.SFX.bak is not the bank before the import")

# Refusals: the status, the one line that says why, and the bank as it was.
configure_file("${WORK}/DEMO.SFX" "${WORK}/now.sfx" COPYONLY)
configure_file("${WORK}/DEMO.SFX" "${WORK}/OTHER.SFX" COPYONLY)
function(refused status says)
  execute_process(COMMAND ${EMULATOR} ${ARGN} WORKING_DIRECTORY "${WORK}"
                  RESULT_VARIABLE got OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT got EQUAL status OR NOT err STREQUAL "voxbank: ${says}\n")
    message(FATAL_ERROR "${ARGN}: exit status ${got}, said:\n${err}")
  endif()
  same(DEMO.SFX now.sfx "${ARGN}: DEMO.SFX changed")
endfunction()
refused(2 "no command \"frob\" (see voxbank --help)" "${VOXBANK}" frob DEMO.SFX)
refused(2 "BANK is required (see voxbank --help)" "${VOXBANK}" undo)
refused(1 "NOBANK.SFX: cannot be opened (missing, or not a readable file)" "${VOXBANK}" list NOBANK.SFX)
refused(1 "DEMO.txt: Not a valid wave file" "${VOXBANK}" replace DEMO.SFX 1=DEMO.txt)
refused(1 "OTHER.SFX: no backup OTHER.SFX.bak beside it to put back (a replace keeps one)" "${VOXBANK}" undo OTHER.SFX)
file(WRITE "${WORK}/new.sfx" "left over")
refused(1 "new.sfx is in the way: it is probably left from a rewrite that was cut off. DEMO.SFX itself is whole; delete or move new.sfx and try again"
        "${VOXBANK}" replace DEMO.SFX "1=out\\wav\\003-Stereo beep.wav")
file(REMOVE "${WORK}/new.sfx")

# A build with the converter takes import --convert; one without says so when asked.
if(CONVERTS)
  run(${EMULATOR} "${VOXBANK}" import DEMO.SFX out\\wav --convert)
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
