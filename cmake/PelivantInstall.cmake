# What `cmake --install` puts in place: the viewer, the two libraries, its
# registry record, and (below) what makes it a desktop application. Tests,
# benchmarks and the host tools stay in the build tree.
include(cmake/PlAppRecord.cmake)

install(TARGETS pelivant pelivant-desktop RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS platform Pelivant LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# A library's own RUNPATH resolves its dependencies: libPelivant finds
# libplatform beside itself, whatever CMAKE_INSTALL_LIBDIR is.
set_target_properties(platform Pelivant PROPERTIES INSTALL_RPATH "$ORIGIN")

# A replicant host loads libPelivant by the viewer's signature through this
# record, with nothing from the build tree.
pl_install_app_record(pelivant
  SIGNATURE "${PELIVANT_SIGNATURE}"
  LIBRARIES Pelivant
  FLAGS ${PELIVANT_FLAGS}
  TYPES ${PELIVANT_TYPES})
# The desktop, which the roster hands drops over the bare screen to.
pl_install_app_record(pelivant-desktop
  SIGNATURE "application/x-vnd.Be-TRAK"
  FLAGS 2)

# The desktop entry, with the types the installed decoders open.
set(PL_DESKTOP_ENTRY ${CMAKE_BINARY_DIR}/share/applications/pelivant.desktop)
add_custom_command(
  OUTPUT ${PL_DESKTOP_ENTRY}
  COMMAND pl_mimetypes ${PROJECT_SOURCE_DIR}/resources/pelivant.desktop.in ${PL_DESKTOP_ENTRY}
  DEPENDS pl_mimetypes ${PROJECT_SOURCE_DIR}/resources/pelivant.desktop.in
  COMMENT "Listing the types of the desktop entry"
  VERBATIM)
add_custom_target(pelivant_desktop_entry ALL DEPENDS ${PL_DESKTOP_ENTRY})
install(FILES ${PL_DESKTOP_ENTRY} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icon in the hicolor theme, where the desktop entry's Icon=pelivant is
# looked up: the drawing itself and its renderings (resources/icons/render-pngs.sh).
set(PL_ICONS ${PROJECT_SOURCE_DIR}/resources/icons)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PL_ICONS}/hicolor/${size}x${size}/pelivant.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${PL_ICONS}/Pelivant.svg RENAME pelivant.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual page, with the version filled in, compressed as Debian installs
# manual pages. The date honours SOURCE_DATE_EPOCH, for reproducible packages.
string(TIMESTAMP PELIVANT_MAN_DATE "%Y-%m-%d" UTC)
configure_file(${PROJECT_SOURCE_DIR}/docs/pelivant.1.in ${CMAKE_BINARY_DIR}/share/man/man1/pelivant.1 @ONLY)
set(PL_MAN_PAGE ${CMAKE_BINARY_DIR}/share/man/man1/pelivant.1.gz)
add_custom_command(
  OUTPUT ${PL_MAN_PAGE}
  COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/share/man/man1/pelivant.1
  DEPENDS ${CMAKE_BINARY_DIR}/share/man/man1/pelivant.1
  COMMENT "Compressing the manual page"
  VERBATIM)
add_custom_target(pelivant_man_page ALL DEPENDS ${PL_MAN_PAGE})
install(FILES ${PL_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The desktop: its entry (not shown in menus, a session component), and an
# autostart entry installed switched off (Hidden=true), which a user copies to
# ~/.config/autostart/ without that line to run it at session start.
install(FILES ${PROJECT_SOURCE_DIR}/resources/pelivant-desktop.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The system's configuration folder belongs to the prefix: /etc for /usr,
# <prefix>/etc otherwise; known only at install time.
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(_pl_autostart /etc/xdg/autostart)
  else()
    set(_pl_autostart \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_SYSCONFDIR}/xdg/autostart\")
  endif()
  file(INSTALL DESTINATION \"\${_pl_autostart}\" TYPE FILE RENAME pelivant-desktop.desktop
       PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
       FILES \"${PROJECT_SOURCE_DIR}/resources/pelivant-desktop-autostart.desktop\")
")

configure_file(${PROJECT_SOURCE_DIR}/docs/pelivant-desktop.1.in
               ${CMAKE_BINARY_DIR}/share/man/man1/pelivant-desktop.1 @ONLY)
set(PL_DESKTOP_MAN_PAGE ${CMAKE_BINARY_DIR}/share/man/man1/pelivant-desktop.1.gz)
add_custom_command(
  OUTPUT ${PL_DESKTOP_MAN_PAGE}
  COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/share/man/man1/pelivant-desktop.1
  DEPENDS ${CMAKE_BINARY_DIR}/share/man/man1/pelivant-desktop.1
  COMMENT "Compressing the desktop's manual page"
  VERBATIM)
add_custom_target(pelivant_desktop_man_page ALL DEPENDS ${PL_DESKTOP_MAN_PAGE})
install(FILES ${PL_DESKTOP_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
