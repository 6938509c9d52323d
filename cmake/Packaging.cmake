# What `cmake --install` puts on a machine, and the Debian package CPack makes of it
# (cpack -G DEB in the build folder).

if(TARGET talvenctl)
  install(TARGETS talvenctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET talven-sim)
  install(TARGETS talven-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/talven.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/talven.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/com.orvanevamir.talven.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME talven)
set(CPACK_PACKAGE_VENDOR "Orvane Vamir")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Remote interface for air-quality gas analyzers and calibrators")
set(CPACK_PACKAGE_DESCRIPTION
    "TALVEN operates the gas analyzers and calibrators of an air-quality monitoring network from a PC:\n\
a tree of sites and instruments reached by serial port, modem or TCP, a remote front panel, the\n\
data logger's configuration and records (tables, charts, CSV files, unattended collection) and\n\
the calibrators' sequences and level tables. Includes talvenctl (command line) and talven-sim\n\
(an instrument simulator for trying it out).")
set(CPACK_PACKAGE_CONTACT "Orvane Vamir <support@orvanevamir.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orvanevamir.com/talven")
# The window program on the offscreen platform and the manual need the DejaVu fonts at least.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
set(CPACK_GENERATOR DEB)
include(CPack)

# The package as users get it: built and looked into (needs the whole build, the manual included).
if(TARGET user_manual)
  add_test(NAME debian_package COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-package.sh ${PROJECT_BINARY_DIR})
  set_tests_properties(debian_package PROPERTIES LABELS package TIMEOUT 300 RUN_SERIAL TRUE)
endif()

# The desktop entry and the AppStream file as the desktop's own tools read them.
find_program(TALVEN_APPSTREAMCLI appstreamcli)
if(TALVEN_APPSTREAMCLI)
  add_test(NAME appstream_metainfo
           COMMAND ${TALVEN_APPSTREAMCLI} validate --no-net
                   ${PROJECT_SOURCE_DIR}/packaging/com.orvanevamir.talven.metainfo.xml)
  set_tests_properties(appstream_metainfo PROPERTIES LABELS package TIMEOUT 60)
endif()
find_program(TALVEN_DESKTOP_FILE_VALIDATE desktop-file-validate)
if(TALVEN_DESKTOP_FILE_VALIDATE)
  add_test(NAME desktop_entry COMMAND ${TALVEN_DESKTOP_FILE_VALIDATE} ${PROJECT_SOURCE_DIR}/packaging/talven.desktop)
  set_tests_properties(desktop_entry PROPERTIES LABELS package TIMEOUT 60 FAIL_REGULAR_EXPRESSION "error")
endif()
