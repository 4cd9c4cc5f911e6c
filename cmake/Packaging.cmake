# make package: one .deb with the application, the headless front end, the stand-in terminal
# library and the simulator. The programs live in libexec/varnixpos/ beside the libraries they
# load (private to them, so no ldconfig is needed or called);
# bin/ holds launchers that create the user's data folder first (the installer's job).
include(GNUInstallDirs)

set(VARNIX_PKG_DIR ${CMAKE_INSTALL_LIBEXECDIR}/varnixpos)
set(VARNIX_PROGRAMS varnixpos-cli pos-simulator)
if(TARGET varnixpos)
  list(PREPEND VARNIX_PROGRAMS varnixpos)
endif()
# The library and the windowed module are loaded from beside the program: /proc/self/exe names
# that folder, and $ORIGIN does where /proc is not mounted.
set_target_properties(${VARNIX_PROGRAMS} PROPERTIES BUILD_RPATH "$ORIGIN" INSTALL_RPATH "$ORIGIN")
install(TARGETS ${VARNIX_PROGRAMS} RUNTIME DESTINATION ${VARNIX_PKG_DIR})
install(TARGETS Iae17 LIBRARY DESTINATION ${VARNIX_PKG_DIR})
if(TARGET varnixpos-qt)
  install(TARGETS varnixpos-qt LIBRARY DESTINATION ${VARNIX_PKG_DIR})
endif()

foreach(program IN ITEMS varnixpos varnixpos-cli)
  if(TARGET ${program})
    set(LAUNCHER_NAME ${program})
    set(LAUNCHER_TARGET ${VARNIX_PKG_DIR}/${program})
    configure_file(${PROJECT_SOURCE_DIR}/packaging/launcher.sh.in
                   ${PROJECT_BINARY_DIR}/packaging/${program} @ONLY)
    install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
# The simulator needs no data folder: a plain link.
install(CODE "
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(CREATE_LINK ../${VARNIX_PKG_DIR}/pos-simulator
       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/pos-simulator\" SYMBOLIC)")

install(FILES ${PROJECT_SOURCE_DIR}/packaging/varnixpos.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/varnixpos.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The developers' README speaks of the source tree; the package's users have the manual pages.
install(FILES docs/terminal-protocol.md docs/test-sets.md packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/varnixpos)
# The starter test set, for pos-simulator --test-set.
install(FILES ${PROJECT_SOURCE_DIR}/test-sets/base.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/varnixpos/test-sets)

# Manual pages and the changelog, compressed as Debian wants them (-n: no time stamp inside).
find_program(VARNIX_GZIP gzip REQUIRED)
foreach(page IN ITEMS varnixpos.1 varnixpos-cli.1 pos-simulator.1)
  execute_process(COMMAND ${VARNIX_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/man/${page}
                  OUTPUT_FILE ${PROJECT_BINARY_DIR}/packaging/${page}.gz COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/${page}.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
execute_process(COMMAND ${VARNIX_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog
                OUTPUT_FILE ${PROJECT_BINARY_DIR}/packaging/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/varnixpos)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnixpos)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "VarnixPos")
set(CPACK_PACKAGE_CONTACT "VarnixPos developers <developers@varnixpos.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Card-payment terminal exchange for cash-register developers")
# Lines of the extended description stay under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "VarnixPos runs the amount exchange between a cash register and a card-payment
terminal through text files, with a test console, a configuration editor and
a tray icon. The package also holds varnixpos-cli (the same run modes without
windows), a stand-in terminal library and pos-simulator, a terminal simulator
on the loopback interface.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Shared-library dependencies are found by dpkg-shlibdeps; the X11 platform plugin Qt loads at run
# time is not among them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Qt's own texts (box buttons, context menus) in Italian; without it they stay English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)

include(CPack)
