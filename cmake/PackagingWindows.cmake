# The Windows installer (NSIS, through CPack) and the portable folder share these install rules:
# every program, the stand-in Iae17.dll beside them (the vendor's own DLL replaces it in the same
# place) and the licence, all in one folder under Program Files.
install(TARGETS varnixpos-win32 varnixpos-cli pos-simulator Iae17 RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
# The starter test set and its description, for pos-simulator.exe --test-set.
install(FILES ${PROJECT_SOURCE_DIR}/test-sets/base.json DESTINATION test-sets)
install(FILES ${PROJECT_SOURCE_DIR}/docs/test-sets.md DESTINATION docs)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VARNIX_BITS 64)
  # Without it makensis builds a 32-bit installer: on a 64-bit-only Wine it "succeeds" and installs
  # nothing, and on Windows it would land in the 32-bit views of Program Files and the registry.
  set(VARNIX_NSIS_TARGET amd64-unicode)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
else()
  set(VARNIX_BITS 32)
  set(VARNIX_NSIS_TARGET x86-unicode)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
endif()

set(CPACK_GENERATOR NSIS)
# The NSIS lines below are written as NSIS reads them: backslashes and quotes as they are.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME VarnixPos)
set(CPACK_PACKAGE_VENDOR "ZANDRIK Engineering")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${VARNIX_TITLE}")
set(CPACK_PACKAGE_FILE_NAME varnixpos-${PROJECT_VERSION}-win${VARNIX_BITS}-setup)
set(CPACK_PACKAGE_INSTALL_DIRECTORY VarnixPos)
# Both bitnesses may sit side by side on 64-bit Windows: Windows keeps their registrations in the
# registry view of each, and the names tell them apart in Add/Remove programs.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY VarnixPos)
set(CPACK_NSIS_PACKAGE_NAME "VarnixPos ${PROJECT_VERSION} (${VARNIX_BITS} bit)")
set(CPACK_NSIS_DISPLAY_NAME "VarnixPos ${PROJECT_VERSION} (${VARNIX_BITS} bit)")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/src/frontends/resources/varnixpos.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/src/frontends/resources/varnixpos.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME varnixpos.exe)
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_STRIP_FILES ON)
set(CPACK_NSIS_DEFINES "Target ${VARNIX_NSIS_TARGET}")

# The shortcuts: the service window, the test console ("-I") and the simulator on the editor's
# default port (only the address, 127.0.0.1, is left to change in the configuration).
set(CPACK_NSIS_CREATE_ICONS_EXTRA [[
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\VarnixPos.lnk" "$INSTDIR\varnixpos.exe"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Console di test.lnk" "$INSTDIR\varnixpos.exe" "-I"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Simulatore.lnk" "$INSTDIR\pos-simulator.exe" "--tcp 1000"
]])
set(CPACK_NSIS_DELETE_ICONS_EXTRA [[
  Delete "$SMPROGRAMS\$MUI_TEMP\VarnixPos.lnk"
  Delete "$SMPROGRAMS\$MUI_TEMP\Console di test.lnk"
  Delete "$SMPROGRAMS\$MUI_TEMP\Simulatore.lnk"
]])

# The data folder, which the programs never create themselves: under the machine-wide application
# data (C:\ProgramData), modifiable by every user, since the register and the developer run the
# programs without administrator rights. The BUILTIN\Users SID works whatever the system's
# language. Uninstalling leaves it: it holds the user's configuration and exchange files. The
# intent journals' folder beside it gets the same rights, so that a restart by another user on
# the same command file can still read and replace the journal a crash left behind.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [[
  SetShellVarContext all
  CreateDirectory "$APPDATA\ZANDRIKVarnixPos"
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$APPDATA\ZANDRIKVarnixPos" /grant *S-1-5-32-545:(OI)(CI)M'
  Pop $0
  DetailPrint "icacls: $0"
  CreateDirectory "$APPDATA\ZANDRIKVarnixPosJournal"
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$APPDATA\ZANDRIKVarnixPosJournal" /grant *S-1-5-32-545:(OI)(CI)M'
  Pop $0
  DetailPrint "icacls: $0"
]])

include(CPack)
