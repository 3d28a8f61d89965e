# The Debian package (cpack -G DEB) and the values that the desktop files,
# the manual page and the package metadata share (packaging/CMakeLists.txt).

set(KTEVAL_APP_ID "org.kteval.kteval" CACHE STRING
    "Reverse-DNS application ID: names the desktop entry and the AppStream metadata")
set(KTEVAL_PACKAGE_MAINTAINER
    "kteval maintainers <maintainers@users.noreply.c-seed-612eb16e.example>"
    CACHE STRING "Maintainer of the Debian package: Name <address>")
set(KTEVAL_HOMEPAGE "" CACHE STRING "Project homepage for the package (optional)")
# Where the repository's files are published; the AppStream screenshot is
# ${KTEVAL_WEB_URL}/docs/screenshots/... The default is a placeholder.
set(KTEVAL_WEB_URL "https://kteval.invalid" CACHE STRING
    "Base URL of the published repository files (AppStream screenshot)")
# The sources carry no license statement yet: these are placeholders until the
# copyright holders choose one (an SPDX expression, and its text).
set(KTEVAL_PROJECT_LICENSE "LicenseRef-proprietary" CACHE STRING
    "SPDX license expression of kteval (placeholder until one is chosen)")
set(KTEVAL_LICENSE_TEXT
    "All rights reserved. The kteval sources carry no license statement yet; until the copyright holders choose one, no rights beyond those granted by law are given."
    CACHE STRING "License text for the Debian copyright file")

# The package's description is the README's first paragraph.
file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
if(NOT readme MATCHES "^# [^\n]*\n\n([^\n]+(\n[^\n]+)*)")
  message(FATAL_ERROR "README.md does not start with a title and a paragraph")
endif()
set(KTEVAL_DESCRIPTION "${CMAKE_MATCH_1}")
string(REPLACE "\n" " " KTEVAL_DESCRIPTION_XML "${KTEVAL_DESCRIPTION}")
string(REPLACE "&" "&amp;" KTEVAL_DESCRIPTION_XML "${KTEVAL_DESCRIPTION_XML}")
string(REPLACE "<" "&lt;" KTEVAL_DESCRIPTION_XML "${KTEVAL_DESCRIPTION_XML}")
string(REPLACE ">" "&gt;" KTEVAL_DESCRIPTION_XML "${KTEVAL_DESCRIPTION_XML}")

# Dates: SOURCE_DATE_EPOCH when given (reproducible builds), else the last
# commit's time, else now.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_result ERROR_QUIET)
  if(git_result EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
  endif()
endif()
string(TIMESTAMP KTEVAL_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP KTEVAL_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kteval)
set(CPACK_PACKAGE_VENDOR "kteval maintainers")
set(CPACK_PACKAGE_CONTACT "${KTEVAL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program for the KT44xx DAC evaluation board")
set(CPACK_PACKAGE_DESCRIPTION "${KTEVAL_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's SVG image plugin draws the measuring charts; it is loaded when needed,
# so the libraries the program links do not name it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# On the network: the portmapper through which VXI-11 clients find the core
# channel, and the daemon that announces the servers over mDNS. kteval runs
# without them, and they open ports, so they are only suggested.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "rpcbind, avahi-daemon")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(KTEVAL_HOMEPAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KTEVAL_HOMEPAGE}")
endif()

include(CPack)
