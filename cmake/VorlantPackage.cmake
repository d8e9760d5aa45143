# Installation and the Debian package (`make package`: cpack -G DEB).
#
# The program, its lang/ folder, libportvane.so, portvane-find and the meter
# simulator go into one private folder laid out like the build's bin/: the
# program checks for lang/eng.lng below its current directory and loads
# libportvane.so from beside itself. /usr/bin gets the starter, which runs the
# program from that folder, and links to the other programs. Nothing goes
# under /var/tmp: the program makes its shared settings folder itself.
include_guard(GLOBAL)

set(vorlant_pkg ${CMAKE_SOURCE_DIR}/packaging)
set(vorlant_private lib/vorlant)
set(VORLANT_APPSTREAM_ID org.vorlant.logger)
set(VORLANT_SCREENSHOT_URL "https://vorlant.example/docs/window.png"
    CACHE STRING "Published address of docs/window.png, for the AppStream screenshot")
set(VORLANT_MAINTAINER "Vorlant logger maintainers <maintainers@vorlant.example>"
    CACHE STRING "Maintainer field of the Debian package")

# VORLANT_VERSION and VORLANT_RELEASE_DATE come from the changelog (VorlantVersion.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/VorlantVersion.cmake)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The private folder.
install(TARGETS vorlant meter-sim portvane-find
        RUNTIME DESTINATION ${vorlant_private})
install(TARGETS portvane LIBRARY DESTINATION ${vorlant_private})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/lang/ DESTINATION ${vorlant_private}/lang)
install(PROGRAMS ${vorlant_pkg}/with-meter-sim DESTINATION ${vorlant_private})

# Commands: the starter, and links into the private folder, whose programs find
# their neighbours through their real location.
install(PROGRAMS ${vorlant_pkg}/vorlant DESTINATION bin)
set(vorlant_links ${CMAKE_BINARY_DIR}/packaging/links)
set(vorlant_commands meter-sim=vorlant-meter-sim)
# The headless logger, once it is built.
if(TARGET vorlant-log)
  install(TARGETS vorlant-log RUNTIME DESTINATION ${vorlant_private})
  list(APPEND vorlant_commands vorlant-log=vorlant-log)
endif()
file(MAKE_DIRECTORY ${vorlant_links})
foreach(vorlant_entry IN LISTS vorlant_commands)
  string(REPLACE "=" ";" vorlant_pair ${vorlant_entry})
  list(GET vorlant_pair 0 vorlant_program)
  list(GET vorlant_pair 1 vorlant_command)
  file(CREATE_LINK ../${vorlant_private}/${vorlant_program} ${vorlant_links}/${vorlant_command} SYMBOLIC)
  install(FILES ${vorlant_links}/${vorlant_command} DESTINATION bin)
endforeach()

# Manual pages, compressed as Debian wants them.
set(vorlant_man_pages ${vorlant_pkg}/man/vorlant.1 ${vorlant_pkg}/man/vorlant-meter-sim.1)
if(EXISTS ${CMAKE_SOURCE_DIR}/docs/vorlant-log.1)
  list(APPEND vorlant_man_pages ${CMAKE_SOURCE_DIR}/docs/vorlant-log.1)
endif()
set(vorlant_compressed)
foreach(vorlant_page IN LISTS vorlant_man_pages)
  get_filename_component(vorlant_name ${vorlant_page} NAME)
  set(vorlant_out ${CMAKE_BINARY_DIR}/packaging/man/${vorlant_name}.gz)
  add_custom_command(OUTPUT ${vorlant_out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging/man
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip ${vorlant_page} ${vorlant_out}
    DEPENDS ${vorlant_page} VERBATIM)
  list(APPEND vorlant_compressed ${vorlant_out})
endforeach()
set(vorlant_changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${vorlant_changelog_gz}
  COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip ${vorlant_pkg}/changelog ${vorlant_changelog_gz}
  DEPENDS ${vorlant_pkg}/changelog VERBATIM)
add_custom_target(vorlant_package_files ALL DEPENDS ${vorlant_compressed} ${vorlant_changelog_gz})
install(FILES ${vorlant_compressed} DESTINATION share/man/man1)
install(FILES ${vorlant_changelog_gz} ${vorlant_pkg}/copyright DESTINATION share/doc/vorlant)

# Desktop entries, icon, AppStream metadata.
install(FILES ${vorlant_pkg}/vorlant.desktop ${vorlant_pkg}/vorlant-simulated.desktop
        DESTINATION share/applications)
install(FILES ${vorlant_pkg}/icons/vorlant.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(vorlant_size 16 24 32 48 64 128 256)
  install(FILES ${vorlant_pkg}/icons/vorlant-${vorlant_size}.png
          DESTINATION share/icons/hicolor/${vorlant_size}x${vorlant_size}/apps RENAME vorlant.png)
endforeach()
configure_file(${vorlant_pkg}/vorlant.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${VORLANT_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${VORLANT_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo)

# The dongle's udev rule.
install(FILES ${vorlant_pkg}/70-vorlant-dongle.rules DESTINATION lib/udev/rules.d)

# The package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlant)
set(CPACK_PACKAGE_VERSION ${VORLANT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vorlant logger developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "data logger and remote front panel for the Vorlant LCR meter")
set(CPACK_PACKAGE_DESCRIPTION
    "The Vorlant logger finds the meter's USB Bluetooth dongle, links to the meter
and shows every reading on a panel laid out like the meter's own display;
clicking a setting there changes it on the meter. Readings can be logged,
judged against tolerance profiles and exported to a spreadsheet.

A udev rule gives the logged-in user access to the dongle. The package also
holds a simulator of the meter and its dongle, for training and demonstration.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VORLANT_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so not found by the library scan: the font the window
# asks for and Qt's platform plugins.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-crosextra-carlito, qt6-qpa-plugins")
# Our own postrm also keeps CPack from adding an ldconfig call, which a
# library in a private folder does not need.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${vorlant_pkg}/postinst ${vorlant_pkg}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
