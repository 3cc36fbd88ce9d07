# The Debian package of the Linux build (scripts/package --deb): the window,
# t418ctl and t418-sim in /usr/bin, their data in /usr/share/t418 (found there
# through platform::InstalledDataFolder), a desktop entry with its icon,
# t418ctl's manual page and a udev rule that keeps ModemManager off the usual
# USB serial adapters. Made by CPack's DEB generator.
option(T418_PACKAGE "Install rules and CPack settings of the Debian package" OFF)
option(T418_PACKAGE_TESTS "Register the test that builds, installs and removes the Debian package (needs root)" OFF)

if(NOT T418_PACKAGE AND NOT T418_PACKAGE_TESTS)
  return()
endif()
if(WIN32 OR NOT TARGET t418 OR NOT TARGET t418ctl OR NOT TARGET t418-sim)
  message(FATAL_ERROR "The Debian package needs the Linux build with the window (T418_BUILD_APP ON)")
endif()

set(T418_MAINTAINER "T418 tool maintainers <maintainers@users.noreply.c-seed-41a911e0.example>")
set(T418_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(T418_PACKAGE_OUT ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${T418_PACKAGE_OUT})

find_program(T418_HELP2MAN help2man)
find_program(T418_GZIP gzip)
find_program(T418_BASE64 base64)
if(NOT T418_HELP2MAN OR NOT T418_GZIP OR NOT T418_BASE64)
  message(FATAL_ERROR "The Debian package needs help2man, gzip and base64: run scripts/setup --package")
endif()

# Made at build time: t418ctl's manual page from its --help, the icon from the
# About window's picture, the changelog of this version.
add_custom_command(OUTPUT ${T418_PACKAGE_OUT}/t418ctl.1.gz
                   COMMAND sh ${T418_PACKAGING}/man-page.sh $<TARGET_FILE:t418ctl>
                           "configure and test T418 cellular serial terminals from the command line"
                           ${T418_PACKAGE_OUT}/t418ctl.1.gz
                   DEPENDS t418ctl ${T418_PACKAGING}/man-page.sh
                   COMMENT "Writing t418ctl's manual page")
add_custom_command(OUTPUT ${T418_PACKAGE_OUT}/t418-sim.1.gz
                   COMMAND sh ${T418_PACKAGING}/man-page.sh $<TARGET_FILE:t418-sim>
                           "a simulated T418 terminal on a pseudo-terminal" ${T418_PACKAGE_OUT}/t418-sim.1.gz
                           "t418-sim ${PROJECT_VERSION}"
                   DEPENDS t418-sim ${T418_PACKAGING}/man-page.sh
                   COMMENT "Writing t418-sim's manual page")
add_custom_command(OUTPUT ${T418_PACKAGE_OUT}/t418.1.gz
                   COMMAND ${T418_GZIP} -9n -c ${T418_PACKAGING}/t418.1 > ${T418_PACKAGE_OUT}/t418.1.gz
                   DEPENDS ${T418_PACKAGING}/t418.1)
add_custom_command(OUTPUT ${T418_PACKAGE_OUT}/t418.svg
                   COMMAND sh ${T418_PACKAGING}/icon-svg.sh ${PROJECT_SOURCE_DIR}/resources/about_logo.jpg
                           ${T418_PACKAGE_OUT}/t418.svg
                   DEPENDS ${PROJECT_SOURCE_DIR}/resources/about_logo.jpg ${T418_PACKAGING}/icon-svg.sh
                   COMMENT "Writing the desktop icon")
string(TIMESTAMP T418_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${T418_PACKAGING}/changelog.in ${T418_PACKAGE_OUT}/changelog @ONLY)
add_custom_command(OUTPUT ${T418_PACKAGE_OUT}/changelog.gz
                   COMMAND ${T418_GZIP} -9n -c ${T418_PACKAGE_OUT}/changelog > ${T418_PACKAGE_OUT}/changelog.gz
                   DEPENDS ${T418_PACKAGE_OUT}/changelog)
add_custom_target(t418_package_files ALL
                  DEPENDS ${T418_PACKAGE_OUT}/t418ctl.1.gz ${T418_PACKAGE_OUT}/t418-sim.1.gz ${T418_PACKAGE_OUT}/t418.1.gz
                          ${T418_PACKAGE_OUT}/t418.svg ${T418_PACKAGE_OUT}/changelog.gz)

include(GNUInstallDirs)
install(TARGETS t418 t418ctl t418-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES "${PROJECT_SOURCE_DIR}/resources/province&city.json" DESTINATION ${CMAKE_INSTALL_DATADIR}/t418)
install(FILES ${T418_PACKAGING}/t418.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${T418_PACKAGE_OUT}/t418.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${T418_PACKAGE_OUT}/t418ctl.1.gz ${T418_PACKAGE_OUT}/t418-sim.1.gz ${T418_PACKAGE_OUT}/t418.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${T418_PACKAGING}/copyright ${T418_PACKAGE_OUT}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/t418)
install(FILES ${T418_PACKAGING}/70-t418.rules DESTINATION lib/udev/rules.d)

# The package holds three programs: CPack installs them without first building
# everything else (the tests, the benchmarks); scripts/package builds what it needs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME t418)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "T418 tool maintainers")
set(CPACK_PACKAGE_CONTACT ${T418_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration and test tool for T418 cellular serial terminals")
# The long description; CPack puts the summary above it as the first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The T418 is a 4G terminal that carries the data of a serial device to
servers. This package holds a desktop tool that reads, edits and writes the
terminal's whole configuration over a serial port, sends single commands,
upgrades the firmware and logs every byte; t418ctl, the same session on the
command line for scripts and production lines; and t418-sim, a simulated
terminal on a pseudo-terminal for trying the tools without hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${T418_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${T418_PACKAGING}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

if(T418_PACKAGE_TESTS)
  # Builds the package, installs it on this machine with dpkg, checks it and
  # removes it again: for a throwaway machine, as root (scripts/package --check).
  add_test(NAME deb_package
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/packaging/deb_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(deb_package PROPERTIES TIMEOUT 900 RUN_SERIAL ON)
endif()
