# Installation and the Debian package: the three programs, man pages made
# from their --help, the documentation files Debian expects, and CPack's DEB
# generator with dependencies computed from the linked libraries.
include(GNUInstallDirs)

set(ORVANTIS_PROGRAMS orvantis-cli orvantis-sim)
if(TARGET orvantis-configurator)
  list(PREPEND ORVANTIS_PROGRAMS orvantis-configurator)
endif()
install(TARGETS ${ORVANTIS_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(ORVANTIS_MAN_NAME_orvantis-configurator "configurator of Orvantis vehicle security units")
set(ORVANTIS_MAN_NAME_orvantis-cli "command-line configurator of Orvantis units")
set(ORVANTIS_MAN_NAME_orvantis-sim "simulated Orvantis unit and server")
find_program(ORVANTIS_HELP2MAN help2man)
if(ORVANTIS_HELP2MAN)
  set(pages)
  foreach(p ${ORVANTIS_PROGRAMS})
    set(out ${PROJECT_BINARY_DIR}/man/${p}.1.gz)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${p}> "-DNAME=${ORVANTIS_MAN_NAME_${p}}"
              -DOUT=${out} -P ${PROJECT_SOURCE_DIR}/cmake/manpage.cmake
      DEPENDS ${p} ${PROJECT_SOURCE_DIR}/cmake/manpage.cmake VERBATIM)
    list(APPEND pages ${out})
  endforeach()
  add_custom_target(orvantis_man ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: no man pages")
endif()

# Debian documentation files: copyright and a compressed changelog.
set(ORVANTIS_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/orvantis-configurator)
configure_file(cmake/package/changelog.in ${PROJECT_BINARY_DIR}/package/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/package/changelog.gz
  COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/package/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/package/changelog VERBATIM)
add_custom_target(orvantis_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/package/changelog.gz)
install(FILES cmake/package/copyright ${PROJECT_BINARY_DIR}/package/changelog.gz DESTINATION ${ORVANTIS_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvantis-configurator)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Orvantis)
set(CPACK_PACKAGE_CONTACT "Orvantis <support@orvantis.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configurator of Orvantis vehicle security units")
set(CPACK_PACKAGE_DESCRIPTION
  "Reads, edits and writes the settings of Orvantis vehicle security and\ntelematics units connected by USB, shows their inputs and outputs live and\nupdates their firmware. Includes the command-line tool orvantis-cli and the\nsimulator orvantis-sim.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
# The settings report is drawn (and embedded in its PDF) in DejaVu Sans.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orvantis.example/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/cmake/package/postinst ${PROJECT_SOURCE_DIR}/cmake/package/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
