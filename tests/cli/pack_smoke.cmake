# The Win32 voxbank's mod packs under Wine: a pack made of the demo bank with two sounds
# changed, applied to a copy of the original to give the modded bank byte for byte, taken off
# again, and a pack that is no zip refused with the bank as it was; the native voxbank, where there
# is one, reads the pack the Win32 one made.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

include("${CMAKE_CURRENT_LIST_DIR}/steps.cmake")

run(${EMULATOR} "${MKDEMO}" .)
foreach(bank ORIG T)
  configure_file("${WORK}/DEMO.SFX" "${WORK}/${bank}.SFX" COPYONLY)
  configure_file("${WORK}/DEMO.txt" "${WORK}/${bank}.txt" COPYONLY)
endforeach()
run(${EMULATOR} "${VOXBANK}" extract DEMO.SFX -o wav)
run(${EMULATOR} "${VOXBANK}" replace DEMO.SFX "0=wav\\003-Stereo beep.wav" "5=wav\\001-Rising chirp.wav" --no-backup)
run(${EMULATOR} "${VOXBANK}" pack DEMO.SFX --base ORIG.SFX -o mod.voxpack)
if(NOT out MATCHES "mod.voxpack: 2 sounds, [0-9,]+ bytes\n$")
  message(FATAL_ERROR "pack printed:\n${out}")
endif()
run(${EMULATOR} "${VOXBANK}" apply T.SFX mod.voxpack)
same(T.SFX DEMO.SFX "T.SFX is not the modded bank after the apply")
same(T.SFX.bak ORIG.SFX "T.SFX.bak is not the bank before the apply")
run(${EMULATOR} "${VOXBANK}" unapply T.SFX mod.voxpack --from ORIG.SFX)
same(T.SFX ORIG.SFX "T.SFX is not the original after the unapply")

file(WRITE "${WORK}/cut.voxpack" "PK and no more of a zip")
execute_process(COMMAND ${EMULATOR} "${VOXBANK}" apply T.SFX cut.voxpack WORKING_DIRECTORY "${WORK}"
                RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 1 OR NOT err MATCHES "^voxbank: cut.voxpack: is not a mod pack")
  message(FATAL_ERROR "apply of a pack that is no zip: status ${status}\n${err}")
endif()
same(T.SFX ORIG.SFX "T.SFX changed when a pack that is no zip was refused")

if(NATIVE AND EXISTS "${NATIVE}")
  run("${NATIVE}" show mod.voxpack)
  if(NOT out MATCHES "sound 5 \\(Two tone alarm\\)")
    message(FATAL_ERROR "the native voxbank's show printed:\n${out}")
  endif()
endif()
