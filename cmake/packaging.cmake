# The packages, made by CPack: a .deb on Linux (cpack --preset deb); an installer
# and a portable zip for Windows (cpack in the MinGW build). The install() rules
# beside each target say what goes in.

# This version's release day: change it together with the version in project().
set(ZELMORA_RELEASE_DATE 2026-12-09)
set(ZELMORA_HOMEPAGE "http://www.zelmora.com/")

set(CPACK_PACKAGE_NAME zelmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Zelmora)
set(CPACK_PACKAGE_CONTACT "Zelmora <support@zelmora.com>")
set(CPACK_PACKAGE_HOMEPAGE_URL ${ZELMORA_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "task reminder for workers of the Zelmora platform")
# Debian shows the description as it stands: lines under 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Asks the Zelmora platform's task server for news once per interval, shows\n"
       "its announcements, and pops a small always-on-top window with the task page\n"
       "when a new task appears. It lives in the notification area (tray) and keeps\n"
       "the worker id, the intervals and the kinds of task for the next start.")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)
# Package names that differ per generator (setup, portable).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_file_names.cmake)

if(WIN32)
  set(CPACK_GENERATOR NSIS ZIP)
  # Our own installer script: per user, without administrator rights.
  set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/nsis)
  set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS -WX) # a warning in the script fails the package
  set(CPACK_NSIS_DISPLAY_NAME "Zelmora任务提醒器")
  set(CPACK_ZELMORA_FILE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0)
  set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/platform/desktop_win32/zelmora.ico)
  set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/platform/desktop_win32/zelmora.ico)
  # The value the program's own "start at login" switches.
  set(CPACK_ZELMORA_RUN_VALUE Zelmora)
  set(CPACK_ZELMORA_RUN_ARGUMENTS "--minimized --start")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # libcanberra plays the new-task sound from the freedesktop sound theme; the
  # program loads it when the first sound plays, so dpkg-shlibdeps cannot see it.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libcanberra0, sound-theme-freedesktop")
  # Directories the package creates are 0755 whatever the builder's umask.
  set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                  WORLD_READ WORLD_EXECUTE)

  # Debian's own files: the copyright and the changelog of this version.
  include(GNUInstallDirs)
  execute_process(COMMAND date -u -R -d ${ZELMORA_RELEASE_DATE} OUTPUT_VARIABLE ZELMORA_RELEASE_DATE_RFC2822
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(debian_doc ${CMAKE_BINARY_DIR}/debian-doc)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/deb/changelog.in ${debian_doc}/changelog @ONLY)
  execute_process(COMMAND gzip -9nf ${debian_doc}/changelog COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/deb/copyright ${debian_doc}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

include(CPack)
