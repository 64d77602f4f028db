# Installing and packaging: `cmake --install` puts the programs, the system-sound library, the
# documents and the manual pages in their usual places; `cpack` makes a .deb of the same files
# whose dependencies are read from the binaries (dpkg-shlibdeps), so a player's machine gets
# exactly the libraries the build linked.
install(TARGETS gamebuild RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES docs/man/runner.1 docs/man/gamebuild.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
file(GLOB RUNNER_DOCS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md)
install(FILES README.md ${RUNNER_DOCS} DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvex-runner)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Runner for games made with the Korvex authoring tool, and gamebuild")
set(CPACK_PACKAGE_CONTACT "Korvex runner developers <korvex-runner@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# FluidSynth and GStreamer are opened the first time a MIDI song or a video plays (start-up
# stays lean), so shlibdeps never sees them; they are named here and joined with what shlibdeps finds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfluidsynth3, libgstreamer1.0-0, libgstreamer-plugins-base1.0-0")
# Loaded by name at run time, so shlibdeps cannot see them: MIDI music needs a General MIDI
# soundfont, games that ask for Arial or Times get their metric twins, and video files need
# GStreamer's decoding plugins.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont | fluid-soundfont-gm, fonts-liberation2, fonts-dejavu-core, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
include(CPack)
