# Install rules and the Debian package (cpack -G DEB, see scripts/package): both programs, the
# desktop entry with its icon, the CLI's man page, the licence and our sigrok decoder for PIC ICSP.
include(GNUInstallDirs)

install(TARGETS korvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET korvane)
  install(TARGETS korvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/korvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/src/resources/ui/icons/logo.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME korvane.svg)
endif()

# Debian wants man pages compressed; gzip -n keeps the archive the same from build to build.
find_program(KORVANE_GZIP gzip)
set(man_page ${CMAKE_SOURCE_DIR}/packaging/korvane-cli.1)
if(KORVANE_GZIP)
  set(man_gz ${CMAKE_CURRENT_BINARY_DIR}/korvane-cli.1.gz)
  add_custom_command(OUTPUT ${man_gz}
    COMMAND ${KORVANE_GZIP} -9 -n -c ${man_page} > ${man_gz}
    DEPENDS ${man_page} VERBATIM)
  add_custom_target(korvane_man ALL DEPENDS ${man_gz})
  set(man_page ${man_gz})
endif()
install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)
install(FILES ${CMAKE_SOURCE_DIR}/tools/sigrok/pic_icsp/__init__.py ${CMAKE_SOURCE_DIR}/tools/sigrok/pic_icsp/pd.py
        DESTINATION ${CMAKE_INSTALL_DATADIR}/korvane/sigrok/pic_icsp)

set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "Korvane developers")
set(CPACK_PACKAGE_CONTACT "Korvane developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "device programmer for PIC microcontrollers, I2C EEPROMs and ISO cards")
set(CPACK_PACKAGE_DESCRIPTION
"Korvane programs PIC16F and PIC18F microcontrollers over ICSP, 24C01..24C512 I2C EEPROMs
and ISO smart cards through a passive JDM-style serial-port programmer. The package holds
the window (korvane) and the command-line front end (korvane-cli), which both include a
simulated programmer (port SIM) for trying them without hardware.
The serial port needs membership of the dialout group: sudo adduser $USER dialout, then
log in again.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
