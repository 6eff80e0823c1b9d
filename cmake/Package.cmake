# The Debian package: `cpack` (or `make package`) in the build folder writes
# tarnick_<version>_<arch>.deb there. Its library dependencies are read from
# the built programs (dpkg-shlibdeps); the encoder is a package of its own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarnick")
set(CPACK_PACKAGE_CONTACT "Tarnick developers <tarnick@example.jp>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Convert videos to MP4 files for the PlayStation Portable")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarnick turns ordinary video files into MP4 files that the Sony PSP plays,\n"
    "with a window (tarnick) and a command-line program (tarnick-cli). The\n"
    "encoding is done by ffmpeg.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS ffmpeg)
# The window's Japanese texts are drawn in this face.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-ipafont-gothic)

include(CPack)
