# The Debian package: `cpack -G DEB` in the build folder, after building.
# It holds what `cmake --install` puts in place, under /usr.
set(PL_PACKAGE_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelivant)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${PL_PACKAGE_PREFIX})
set(CPACK_PACKAGE_CONTACT "Pelivant developers <maintainers@users.noreply.c-seed-a377286c.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "image and video viewer whose pictures become desktop replicants")
set(CPACK_PACKAGE_DESCRIPTION "Pelivant shows still images and video clips, each in a window of its own,
zoomed by keys, scrolled by dragging and fitted to the screen. Every picture
can be dragged out of its window by its handle and left on the desktop as a
replicant, which lives on there as scrollable wallpaper.")
# The libraries' dependencies come from the binaries themselves...
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
# ...except those that libplatform opens on first use by the sonames of the
# headers it was built with (platform/media/FFmpegLibraries.cpp,
# platform/interface/FontLibraries.cpp, platform/display/x11/XkbLibraries.cpp,
# platform/storage/MagicLibrary.cpp and platform/translation/*Library.cpp): the packages that hold exactly
# those libraries here.
pkg_check_modules(PL_PACKAGE_FFMPEG REQUIRED libavutil libavcodec libavformat libswscale)
pkg_check_modules(PL_PACKAGE_JXL REQUIRED libjxl)
set(PL_FIRST_USE_SONAMES libglib-2.0.so.0 libgobject-2.0.so.0 libgdk_pixbuf-2.0.so.0
  libmagic.so.1 libpng16.so.16 libjpeg.so.62 libwebp.so.7 libwebpdemux.so.2 liblcms2.so.2
  libfreetype.so.6 libfontconfig.so.1
  libxkbcommon.so.0 libxkbcommon-x11.so.0 libxcb-xkb.so.1)
foreach(library avutil avcodec avformat swscale)
  string(REGEX MATCH "^[0-9]+" major "${PL_PACKAGE_FFMPEG_lib${library}_VERSION}")
  list(APPEND PL_FIRST_USE_SONAMES lib${library}.so.${major})
endforeach()
string(REGEX MATCH "^[0-9]+\\.[0-9]+" PL_JXL_SOVERSION "${PL_PACKAGE_JXL_VERSION}")
list(APPEND PL_FIRST_USE_SONAMES libjxl.so.${PL_JXL_SOVERSION} libjxl_threads.so.${PL_JXL_SOVERSION})
set(PL_FIRST_USE_PACKAGES "")
foreach(soname ${PL_FIRST_USE_SONAMES})
  string(MAKE_C_IDENTIFIER "${soname}" variable)
  find_library(PL_FILE_${variable} NAMES ${soname})
  execute_process(COMMAND dpkg-query -S "${PL_FILE_${variable}}"
                  OUTPUT_VARIABLE owner ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(owner MATCHES "^([^:, ]+)")
    list(APPEND PL_FIRST_USE_PACKAGES "${CMAKE_MATCH_1}")
  else()
    message(WARNING "No Debian package holds ${soname}; the package will not depend on it")
  endif()
endforeach()
list(REMOVE_DUPLICATES PL_FIRST_USE_PACKAGES)
list(JOIN PL_FIRST_USE_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# gdk-pixbuf's loaders are plugins, invisible to shlibdeps; the desktop
# entry's types are those of the loaders on the build machine.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "librsvg2-common, webp-pixbuf-loader, heif-gdk-pixbuf, libavif-gdk-pixbuf")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "desktop-file-utils")

foreach(script postinst postrm)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/${script}.in
                 ${CMAKE_BINARY_DIR}/packaging/${script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/${script})
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
# The autostart entry is the administrator's to switch on: kept across upgrades.
list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/conffiles)
# The libraries sit in the linker's own folder, whose cache must learn them.
list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/triggers)
set(CPACK_STRIP_FILES ON)

# What Debian asks of every package's documentation folder: the copyright
# and a (native package's) changelog, compressed and dated reproducibly.
string(TIMESTAMP PL_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(pelivant_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})

include(CPack)
