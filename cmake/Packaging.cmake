# What a user's machine gets: the programs (installed by their own layers), the defaults file,
# the manual, a menu entry with its icon, and a Debian package of it all; on Windows an NSIS
# installer with the Qt libraries beside the programs and Start menu entries.
include(GNUInstallDirs)

# The program reads DEFAULT.CFG and the manual from ../share/veltrane beside its bin folder.
install(FILES ${PROJECT_SOURCE_DIR}/DEFAULT.CFG DESTINATION ${CMAKE_INSTALL_DATADIR}/veltrane)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/manual/ DESTINATION ${CMAKE_INSTALL_DATADIR}/veltrane/manual)
if(NOT WIN32)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/veltrane.desktop ${PROJECT_SOURCE_DIR}/packaging/corvanet.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/veltrane.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/veltrane.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/veltrane)

set(VELTRANE_MAINTAINER "Veltrane maintainers <maintainers@veltrane.example>"
    CACHE STRING "Name and mail address of whoever answers for the package (Maintainer field)")
set(VELTRANE_DEB_RELEASE 1 CACHE STRING "Packaging revision of the Debian package of one version")
set(VELTRANE_DEB_VERSION ${PROJECT_VERSION}-${VELTRANE_DEB_RELEASE})

# Debian's documentation files (the licence and the changelog) and the manual pages of the four
# programs, written by hand in docs/man. Compressed files are made with gzip -9n, as the policy
# asks: no name or time stamp inside, so two builds give the same bytes.
set(_pkgdoc ${CMAKE_CURRENT_BINARY_DIR}/packaging)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright ${_pkgdoc}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${_pkgdoc}/changelog.Debian @ONLY)
install(FILES ${_pkgdoc}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/veltrane)
if(UNIX)
    set(_compressed)
    foreach(_source ${_pkgdoc}/changelog.Debian ${PROJECT_SOURCE_DIR}/docs/man/veltrane.1
                    ${PROJECT_SOURCE_DIR}/docs/man/Corvanet.1 ${PROJECT_SOURCE_DIR}/docs/man/pfpd-sim.1
                    ${PROJECT_SOURCE_DIR}/docs/man/veltrane-cfg.1)
        get_filename_component(_name ${_source} NAME)
        add_custom_command(OUTPUT ${_pkgdoc}/${_name}.gz
                           COMMAND gzip -9n -c ${_source} > ${_name}.gz
                           DEPENDS ${_source}
                           WORKING_DIRECTORY ${_pkgdoc})
        list(APPEND _compressed ${_pkgdoc}/${_name}.gz)
    endforeach()
    add_custom_target(veltrane_package_docs ALL DEPENDS ${_compressed})
    list(POP_FRONT _compressed _changelog)
    install(FILES ${_changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/veltrane)
    install(FILES ${_compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME veltrane)
set(CPACK_PACKAGE_VENDOR "Veltrane")
set(CPACK_PACKAGE_CONTACT "${VELTRANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "operator's program for a PFPD detector controller")
# The extended description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Veltrane sets up a pulsed flame photometric detector (PFPD) controller beside a
gas chromatograph: board, two output channels, gate modes and timed events. It
sends the configuration over a serial line, shows the detector's light pulses
live, records every pulse to numbered data files, keeps configuration files,
prints a configuration report and keeps a run log of every change. It also
works offline, with no controller, to prepare configuration files.
.
The package also holds Corvanet, which views recorded pulses, re-gates them
into chromatograms and exports them as CSV, ANDI/AIA netCDF or pictures;
pfpd-sim, a controller emulator on a pseudo-terminal for trying the program
without hardware; and veltrane-cfg, which turns configuration files into text
and back.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VELTRANE_DEB_RELEASE})
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
# Files and folders in the package as the policy asks (0644 and 0755 in the control part too).
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

if(WIN32)
    # The Qt libraries and plugins the programs load, put beside them at install (Qt 6.5 or later).
    if(VELTRANE_GUI)
        foreach(_program veltrane Corvanet)
            if(TARGET ${_program})
                qt_generate_deploy_app_script(TARGET ${_program} OUTPUT_SCRIPT _deploy NO_TRANSLATIONS
                                              NO_UNSUPPORTED_PLATFORM_ERROR)
                install(SCRIPT ${_deploy})
            endif()
        endforeach()
    endif()
    # Libraries found outside Qt (netCDF and what it needs, the compiler's runtime when not static).
    set(VELTRANE_WINDOWS_DLLS "" CACHE STRING "DLLs to install beside the programs (a ;-list)")
    if(VELTRANE_WINDOWS_DLLS)
        install(FILES ${VELTRANE_WINDOWS_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
    set(CPACK_GENERATOR NSIS)
    set(CPACK_PACKAGING_INSTALL_PREFIX "")
    set(CPACK_PACKAGE_INSTALL_DIRECTORY Veltrane)
    set(CPACK_PACKAGE_FILE_NAME veltrane-${PROJECT_VERSION}-win64)
    set(CPACK_RESOURCE_FILE_LICENSE ${_pkgdoc}/copyright)
    set(CPACK_NSIS_PACKAGE_NAME Veltrane)
    set(CPACK_NSIS_DISPLAY_NAME "Veltrane ${PROJECT_VERSION}")
    set(CPACK_NSIS_CONTACT "${VELTRANE_MAINTAINER}")
    set(CPACK_NSIS_INSTALLED_ICON_NAME ${CMAKE_INSTALL_BINDIR}/veltrane.exe)
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    # Start menu entries: program file (in bin/) and the entry's text.
    set(CPACK_PACKAGE_EXECUTABLES veltrane Veltrane Corvanet Corvanet)
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY ${CMAKE_INSTALL_BINDIR})
endif()
include(CPack)
