# The Windows packages: install rules, one component per package, and CPack's ZIP generator making one
# zip of each (`cpack --preset windows`, or cpack in the build folder): the player's, and spinbeat-host
# for plugin developers. A further package is a further component, listed in CPACK_COMPONENTS_ALL with
# its own file name.

# ---------------------------------------------------------------------------
# player: what a player installs, the DLL, the beat sound, and a text saying where each goes
# ---------------------------------------------------------------------------
configure_file(assets/windows-install.txt.in INSTALL.txt @ONLY)
set(SPINBEAT_INSTALL_TEXT "${CMAKE_CURRENT_BINARY_DIR}/INSTALL.txt")
install(TARGETS Spinbeat LIBRARY DESTINATION . COMPONENT player)
install(FILES "${SPINBEAT_DATA_DIR}/timesup.wav" DESTINATION data COMPONENT player)
install(FILES "${SPINBEAT_INSTALL_TEXT}" DESTINATION . COMPONENT player)
set(CPACK_ARCHIVE_PLAYER_FILE_NAME "Spinbeat-${PROJECT_VERSION}-windows-x64")

# ---------------------------------------------------------------------------
# host: spinbeat-host for plugin developers, to be unpacked beside the player's files
# ---------------------------------------------------------------------------
if(SPINBEAT_BUILD_HOST)
  configure_file(assets/windows-host-readme.txt.in host-README.txt @ONLY)
  set(SPINBEAT_HOST_TEXT "${CMAKE_CURRENT_BINARY_DIR}/host-README.txt")
  install(TARGETS spinbeat-host pluginsdk RUNTIME DESTINATION . COMPONENT host)
  install(FILES "${SPINBEAT_HOST_TEXT}" DESTINATION . RENAME README.txt COMPONENT host)
  install(FILES host/demo-session.txt DESTINATION . COMPONENT host)
  set(CPACK_ARCHIVE_HOST_FILE_NAME "Spinbeat-host-${PROJECT_VERSION}-windows-x64")
  set(SPINBEAT_HOST_PACKAGE "${CMAKE_BINARY_DIR}/${CPACK_ARCHIVE_HOST_FILE_NAME}.zip")
endif()

# ---------------------------------------------------------------------------
# CPack: a zip for each component, holding that component's files at its top
# ---------------------------------------------------------------------------
set(CPACK_GENERATOR ZIP)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL player)
if(SPINBEAT_BUILD_HOST)
  list(APPEND CPACK_COMPONENTS_ALL host)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
include(CPack)
set(SPINBEAT_PLAYER_PACKAGE "${CMAKE_BINARY_DIR}/${CPACK_ARCHIVE_PLAYER_FILE_NAME}.zip")
