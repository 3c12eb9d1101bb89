# What a user's machine gets: the programs (installed by their own layers), the defaults file,
# the manual, a menu entry with its icon, and a Debian package of it all.
include(GNUInstallDirs)

# The program reads DEFAULT.CFG and the manual from ../share/veltrane beside its bin folder.
install(FILES ${PROJECT_SOURCE_DIR}/DEFAULT.CFG DESTINATION ${CMAKE_INSTALL_DATADIR}/veltrane)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/manual/ DESTINATION ${CMAKE_INSTALL_DATADIR}/veltrane/manual)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/veltrane.desktop ${PROJECT_SOURCE_DIR}/packaging/corvanet.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/veltrane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/veltrane.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/veltrane)

set(CPACK_PACKAGE_NAME veltrane)
set(CPACK_PACKAGE_VENDOR "Veltrane")
set(CPACK_PACKAGE_CONTACT "Veltrane maintainers <veltrane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Operator's program for a PFPD detector controller, with the Corvanet data viewer")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies (Qt 6, libnetcdf, the C++ runtime) come from the binaries themselves;
# the offscreen and xcb platform plugins are not linked, so they are named by hand. Corvanet's SVG
# pictures need Qt's SVG module, named too so that a build without shlibdeps still pulls it in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
