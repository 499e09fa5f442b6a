# What `cmake --install` puts where, and the packages CPack makes of it (tools/package.sh):
# on Windows a zip of both programs, elsewhere a Debian package of voxbank.
include(GNUInstallDirs)

if(WIN32)
  install(TARGETS voxmend RUNTIME DESTINATION .)
  if(TARGET voxbank)
    install(TARGETS voxbank RUNTIME DESTINATION .)
  endif()
  # Notepad opens these with a double-click.
  install(FILES README.md DESTINATION . RENAME README.txt)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  # The libraries of the conversion, replaceable, each with its licence.
  if(VOXMEND_CONVERT_DLLS)
    install(FILES ${VOXMEND_CONVERT_DLLS} DESTINATION .)
    if(IS_DIRECTORY "${VOXMEND_CONVERT_LICENSES}")
      install(DIRECTORY "${VOXMEND_CONVERT_LICENSES}/" DESTINATION licenses)
    endif()
  endif()
elseif(TARGET voxbank)
  install(TARGETS voxbank RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  if(TARGET voxbank_manual)
    install(FILES "${PROJECT_BINARY_DIR}/src/cli/voxbank.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  endif()
  install(FILES src/cli/share/voxbank.bash RENAME voxbank
          DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions")
  install(FILES README.md LICENSE DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/voxbank")
else()
  return()
endif()

set(CPACK_PACKAGE_VENDOR "the Voxmend developers")
set(CPACK_PACKAGE_CONTACT "the Voxmend developers")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  # voxmend-1.0.0-win64.zip, or -win32 for the 32-bit build
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME voxmend)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Voxmend and voxbank, the Tarn sound bank editor and its command line")
else()
  # voxbank_1.0.0_amd64.deb; dpkg-shlibdeps finds the libraries it needs
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME voxbank)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lists, extracts and replaces the sounds of Tarn sound banks")
  string(CONCAT CPACK_PACKAGE_DESCRIPTION
      "voxbank works on the sound banks of Tarn (.sfx and .qsb files) from a\n"
      "shell or a script: it lists their sounds, checks that a bank can be\n"
      "rewritten faithfully, writes sounds out as WAVE files and replaces\n"
      "sounds in one rewrite of the bank, all or nothing, keeping the bank\n"
      "before as a backup that undo puts back. Replacements may be any audio\n"
      "file libsndfile reads, converted to the format of the sound they\n"
      "replace, and a folder of extracted sounds can be imported back.")
endif()
include(CPack)
