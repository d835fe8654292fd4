# What `cmake --install` puts in place: the viewer, the two libraries, its
# registry record, and (below) what makes it a desktop application. Tests,
# benchmarks and the host tools stay in the build tree.
include(cmake/PlAppRecord.cmake)

install(TARGETS pelivant RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
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
