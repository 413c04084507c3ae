# What `cmake --install` (and `make install`) puts under the prefix: the shell,
# the score server, the demo disc, the desktop entry with its icons, the manual
# pages and the server's unit file. Every rule belongs to the component
# "trivion", so a partial install (`--component trivion`) writes its own
# manifest and leaves the one of a full install alone.
#
# The paths are fixed, not GNUInstallDirs': the shell finds its disc at
# ../share/trivion/disc beside the folder of its executable.

# The demo disc is built into the folder the tests' disc fixture uses, so a
# build followed by the test suite builds it once: the builder redoes only the
# steps whose content changed, and the fixture finds nothing left to do.
set(TRIVION_DEMO_DISC ${CMAKE_BINARY_DIR}/demo-disc)
set(demo_disc_stamp ${CMAKE_BINARY_DIR}/demo-disc.stamp)
file(GLOB_RECURSE demo_disc_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/content/*")
add_custom_command(
  OUTPUT ${demo_disc_stamp}
  COMMAND trivion-disc build ${PROJECT_SOURCE_DIR}/content ${TRIVION_DEMO_DISC}
  COMMAND ${CMAKE_COMMAND} -E touch ${demo_disc_stamp}
  DEPENDS trivion-disc ${demo_disc_sources}
  COMMENT "Building the demo disc from content/"
  VERBATIM)

# The desktop's icons, made from the disc's own application icon.
set(TRIVION_ICON_SIZES 16 24 32 48 64 128 256)
set(icon_files)
foreach(size IN LISTS TRIVION_ICON_SIZES)
  set(icon ${CMAKE_BINARY_DIR}/icons/${size}x${size}/apps/trivion.png)
  add_custom_command(
    OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}/apps
    COMMAND trivion-disc icon ${TRIVION_DEMO_DISC} ${size} ${icon}
    DEPENDS trivion-disc ${demo_disc_stamp}
    VERBATIM)
  list(APPEND icon_files ${icon})
  install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps COMPONENT trivion)
endforeach()
add_custom_target(demo_disc ALL DEPENDS ${demo_disc_stamp} ${icon_files})

install(TARGETS trivion trivion-scored RUNTIME DESTINATION bin COMPONENT trivion)

# The disc without the builder's work folder and what the tests put there
# (the shell copied beside it, pictures of a failed comparison).
install(DIRECTORY ${TRIVION_DEMO_DISC}/ DESTINATION share/trivion/disc COMPONENT trivion
        PATTERN .stage EXCLUDE
        PATTERN looks-differ EXCLUDE
        REGEX "/demo-disc/trivion$" EXCLUDE)

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
install(FILES ${packaging}/trivion.desktop DESTINATION share/applications COMPONENT trivion)
install(FILES ${packaging}/trivion.6 DESTINATION share/man/man6 COMPONENT trivion)
install(FILES ${packaging}/trivion-scored.1 DESTINATION share/man/man1 COMPONENT trivion)

# The unit names the server where this install puts it, so it is written at
# install time, when the prefix (`--prefix`) is known.
install(CODE "
  set(TRIVION_BINDIR \"\${CMAKE_INSTALL_PREFIX}/bin\")
  configure_file(\"${packaging}/trivion-scored.service.in\"
                 \"${CMAKE_BINARY_DIR}/packaging/trivion-scored.service\" @ONLY)
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/share/doc/trivion\" TYPE FILE
       PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
       FILES \"${CMAKE_BINARY_DIR}/packaging/trivion-scored.service\")
" COMPONENT trivion)

# Removes what the last install wrote (install_manifest.txt), as `make uninstall` does.
add_custom_target(uninstall
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/uninstall ${CMAKE_BINARY_DIR}/install_manifest.txt
  VERBATIM)
