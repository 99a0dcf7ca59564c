# The Debian package: `cpack -G DEB` in a build directory (scripts/package.sh builds, checks and
# tries it). Everything `cmake --install` puts in place, under /usr; the runtime dependencies come
# from the binaries through dpkg-shlibdeps. The desktop and icon caches are refreshed by the
# triggers of desktop-file-utils and hicolor-icon-theme, so the package has no maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick-companions)
set(CPACK_PACKAGE_VENDOR "Fenmoor Lab")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "native desktop companions of the Tarnwick mail client")
set(CPACK_PACKAGE_DESCRIPTION
  "Tarnwick is a desktop mail client for Gmail accounts. This package holds its
native companions: the tray helper (tray item, popover, preferences, desktop
notifications and the Focus filter), the toolbar library with its Node-API
addon, the widget host, the Focus filter tool and the share target.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tarnwick developers <tarnwick@fenmoorlab.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://fenmoorlab.com/tarnwick")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The package's own shared libraries, for dpkg-shlibdeps to resolve the programs against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/packages/native ${CMAKE_BINARY_DIR}/native)
# Its libraries are private (TARNWICK_INSTALL_PRIVATE_LIBDIR): no shlibs file, no ldconfig.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# Plain directory permissions whatever the build user's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The package's own documents: its copyright and its changelog, compressed as Debian keeps them.
set(tarnwick_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
set(tarnwick_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${tarnwick_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${tarnwick_changelog}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
add_custom_target(package_changelog ALL DEPENDS ${tarnwick_changelog})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${tarnwick_changelog} DESTINATION ${tarnwick_doc_dir})
include(CPack)
