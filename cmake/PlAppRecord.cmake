# pl_install_app_record(<executable target>
#                       SIGNATURE <application signature>
#                       [LIBRARIES <shared library targets...>]
#                       [FLAGS <launch flags, decimal>]
#                       [TYPES <supported types...>])
#
# Installs the registry record (the format is described in
# platform/storage/AppRecord.h) that makes an installed application known to
# the roster and to instantiate_object(): its executable, installed to
# CMAKE_INSTALL_BINDIR, and the libraries holding its archivable classes,
# installed to CMAKE_INSTALL_LIBDIR. The record goes to
# <prefix>/<CMAKE_INSTALL_DATADIR>/pl-platform/applications/, which the
# registry reads beside <prefix>/lib/libplatform.so and through
# XDG_DATA_DIRS. FLAGS and TYPES must say what the executable's resources say
# (app_flags, supported_types), which the running application records for
# itself. The prefix is the one given at install time (cmake --install
# --prefix), and DESTDIR is honoured.
include(GNUInstallDirs)

function(pl_install_app_record target)
  cmake_parse_arguments(R "" "SIGNATURE;FLAGS" "LIBRARIES;TYPES" ${ARGN})
  if(NOT R_SIGNATURE)
    message(FATAL_ERROR "pl_install_app_record(${target}): SIGNATURE is required")
  endif()
  if(NOT R_FLAGS)
    set(R_FLAGS 0)
  endif()
  # Installed paths are known only at install time: @PL_PREFIX@ stands for
  # the prefix until then.
  set(text "pl-app-record 1\nsignature ${R_SIGNATURE}\n")
  string(APPEND text "executable @PL_PREFIX@/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${target}>\n")
  foreach(library ${R_LIBRARIES})
    string(APPEND text "library @PL_PREFIX@/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:${library}>\n")
  endforeach()
  string(APPEND text "flags ${R_FLAGS}\n")
  foreach(type ${R_TYPES})
    string(APPEND text "type ${type}\n")
  endforeach()

  string(TOLOWER "${R_SIGNATURE}" name)
  string(REPLACE "/" "_" name "${name}")
  set(template "${CMAKE_CURRENT_BINARY_DIR}/${name}.app.in")
  set(record "${CMAKE_CURRENT_BINARY_DIR}/${name}.app")
  file(GENERATE OUTPUT "${template}" CONTENT "${text}")
  install(CODE "
    file(READ \"${template}\" _pl_record)
    string(REPLACE \"@PL_PREFIX@\" \"\${CMAKE_INSTALL_PREFIX}\" _pl_record \"\${_pl_record}\")
    file(WRITE \"${record}\" \"\${_pl_record}\")
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/pl-platform/applications\"
         TYPE FILE PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ FILES \"${record}\")
  ")
endfunction()
