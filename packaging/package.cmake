# `make package` (or `cpack` in a build folder): tessaly_<version>_<arch>.deb,
# its dependencies found by dpkg-shlibdeps. The package installs under /usr
# whatever CMAKE_INSTALL_PREFIX the build folder has; the programs find their
# data relative to themselves.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VENDOR "Gorsebank Software")
set(CPACK_PACKAGE_CONTACT "Gorsebank Software <packages@tessaly.example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find and examine Internet Explorer index.dat files")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tessaly.example.org/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description below the summary; "." separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tessaly finds the index.dat files that Internet Explorer keeps for its
cache, history and cookies below a folder (a mounted disk image, a Windows
drive, a Wine prefix), reads one byte by byte for web addresses, cookie,
history and host records, and lets you copy, open, look up and save what it
found. It only reads the files it examines.
.
The package holds the window (tessaly) and the command line (tessaly-cli).")
# Lintian's overrides go into the package only, not into a plain
# `cmake --install`: they are a component of their own that the package adds
# to the default one.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/deb/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tessaly
        COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified debian)
include(CPack)
