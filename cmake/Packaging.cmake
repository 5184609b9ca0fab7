# Installation layout and the Debian package (tools/package.sh runs cpack). The client runs from
# /usr/share/korvel, where its pictures and its alarm sound lie: /usr/bin/korvel is a launcher that
# goes there and starts the program in /usr/lib/korvel.
include(GNUInstallDirs)
set(KORVEL_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(KORVEL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/korvel)

install(TARGETS korvel RUNTIME DESTINATION ${CMAKE_INSTALL_LIBDIR}/korvel)
install(TARGETS korvel_horn LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/korvel)
install(TARGETS korvel-server RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${KORVEL_PACKAGING}/korvel-launcher.sh DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME korvel)
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/kondaktif.bmp ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/kondpasif.bmp
              ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/AirHornL.wav
        DESTINATION ${KORVEL_DATA_DIR} OPTIONAL)
install(FILES ${KORVEL_PACKAGING}/korvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KORVEL_PACKAGING}/korvel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${KORVEL_PACKAGING}/korvel-server.service DESTINATION lib/systemd/system)
install(FILES ${KORVEL_PACKAGING}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Man pages and the changelog go in compressed, as Debian wants them.
find_program(GZIP gzip REQUIRED)
foreach(page korvel.1 korvel-server.1)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${page}.gz
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
                     COMMAND ${GZIP} -9n -c ${KORVEL_PACKAGING}/${page} > ${CMAKE_BINARY_DIR}/packaging/${page}.gz
                     DEPENDS ${KORVEL_PACKAGING}/${page})
  list(APPEND KORVEL_COMPRESSED ${CMAKE_BINARY_DIR}/packaging/${page}.gz)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
                   COMMAND ${GZIP} -9n -c ${KORVEL_PACKAGING}/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
                   DEPENDS ${KORVEL_PACKAGING}/changelog)
list(APPEND KORVEL_COMPRESSED ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
add_custom_target(packaging_files ALL DEPENDS ${KORVEL_COMPRESSED})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Korvel developers <dev@korvel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remote monitoring client for electrical installations")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvel shows the network analyzers, overcurrent relays and meter readers\n\
of an installation: their live values, settings, harmonics and reactive\n\
energy penalty classes. The package holds the desktop client and\n\
korvel-server, a data server with simulated devices for demonstrations.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What shlibdeps cannot see: the SQLite driver is a plugin the history loads when it first writes, and
# the seven-segment displays read the DSEG7 font file, and Qt's own texts (buttons, file dialogs) come
# from its translations. tests/package/check.sh keeps this list honest.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, fonts-dseg, qt6-translations-l10n")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
