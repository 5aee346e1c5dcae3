# What `cmake --install` puts where, and the Debian package CPack builds
# from it (scripts/package).
include(GNUInstallDirs)

set(KEL_RES ${CMAKE_SOURCE_DIR}/res)
set(KEL_DOC ${CMAKE_INSTALL_DATADIR}/doc/kel-remote)

install(TARGETS kel-remote-cli kel-desk-emulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET kel-remote)
  install(TARGETS kel-remote RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${KEL_RES}/desktop/kel-remote.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 22 24 32 48 64 128 256 512)
  install(FILES ${KEL_RES}/png/icons/${size}/kel-remote.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${KEL_RES}/svg/app_icon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME kel-remote.svg)
install(FILES ${CMAKE_SOURCE_DIR}/tools/desk-emulator/README.md
        DESTINATION ${KEL_DOC} RENAME desk-emulator.md)
install(FILES ${KEL_RES}/desktop/copyright DESTINATION ${KEL_DOC})

# The package's change log, compressed as Debian wants it.
set(KEL_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${KEL_CHANGELOG}
  COMMAND gzip -9nc ${KEL_RES}/desktop/changelog > ${KEL_CHANGELOG}
  DEPENDS ${KEL_RES}/desktop/changelog VERBATIM)
add_custom_target(kel_changelog ALL DEPENDS ${KEL_CHANGELOG})
install(FILES ${KEL_CHANGELOG} DESTINATION ${KEL_DOC})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kel-remote)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kel Remote team")
set(CPACK_PACKAGE_CONTACT "Kel Remote team <kel-remote@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remote-control station for networked lighting desks")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "A window shaped like a handheld device that lists the lighting-control\n"
  "desks heard on the network, shows a desk's screen and sends taps, keys\n"
  "and button presses back to it. With chat, an on-screen keyboard,\n"
  "settings and help, a command-line front end (snapshot, discover, chat)\n"
  "and an emulated desk for tests, demos and training.")
# The window needs a platform plugin, which no linked library pulls in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sound-theme-freedesktop")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
