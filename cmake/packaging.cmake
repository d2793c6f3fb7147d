# Two Debian packages from the install rules' components (cpack -G DEB in a
# build configured with -DCMAKE_INSTALL_PREFIX=/usr, as ./run package does):
# quorvane-cli, the headless tool without Qt for servers, and quorvane, the
# desktop program, which needs the tool of the same version.

# No address exists for the project yet; .invalid says so instead of guessing.
set(QUORVANE_PACKAGE_MAINTAINER "The Quorvane developers <developers@quorvane.invalid>"
    CACHE STRING "Maintainer field of the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_CONTACT "${QUORVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli)
if(QUORVANE_BUILD_GUI)
  list(APPEND CPACK_COMPONENTS_ALL desktop)
endif()
set(CPACK_COMPONENT_DESKTOP_DEPENDS cli)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE quorvane)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
# Depends from the libraries the binaries link (dpkg-shlibdeps), plus
# "quorvane-cli (= version)" for the desktop program.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME quorvane-cli)
set(CPACK_DEBIAN_CLI_DESCRIPTION [=[mirror-and-archive backup tool for the command line
Quorvane keeps mirrors of folders up to date on another drive, one way.
What a scan would overwrite or delete in a mirror moves into an archive
beside it, by date, so earlier versions and deleted files can be got back.
.
This package holds quorvane-cli, the headless tool without a graphical
interface: for servers, cron jobs and systemd timers. It configures the
mirrors, scans them, lists the versions of a file and restores them.]=])

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME quorvane)
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION [=[mirror-and-archive backup tool for the desktop
Quorvane keeps mirrors of folders up to date on another drive, one way.
What a scan would overwrite or delete in a mirror moves into an archive
beside it, by date, so earlier versions and deleted files can be got back.
.
This package holds the desktop program: it scans again after a wait of
your choosing, pauses while the computer is in use, can ask before a file
is replaced or deleted, and shows statistics of every mirror and archive.]=])

# Debian wants each package's copyright and changelog in its own doc folder.
# Excluded from a plain cmake --install: only the packages carry them.
set(_qv_changelog ${PROJECT_SOURCE_DIR}/dist/debian/changelog)
set(_qv_changelog_gz ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_qv_changelog})
# The packages' version is the changelog's newest: upstream-revision.
file(STRINGS ${_qv_changelog} _qv_newest LIMIT_COUNT 1)
if(NOT _qv_newest MATCHES "^quorvane \\(${PROJECT_VERSION}-([A-Za-z0-9.+~]+)\\)")
  message(WARNING "dist/debian/changelog: the newest entry is not for ${PROJECT_VERSION}")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_1})
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/debian)
# -n: no name or time stamp, so that the same changelog packs the same.
execute_process(COMMAND gzip -n -9 -c ${_qv_changelog} OUTPUT_FILE ${_qv_changelog_gz}
                COMMAND_ERROR_IS_FATAL ANY)
foreach(_qv_component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${_qv_component} _qv_upper)
  set(_qv_name ${CPACK_DEBIAN_${_qv_upper}_PACKAGE_NAME})
  install(FILES ${PROJECT_SOURCE_DIR}/dist/debian/copyright ${_qv_changelog_gz}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${_qv_name}
          COMPONENT ${_qv_component} EXCLUDE_FROM_ALL)
endforeach()

include(CPack)
