# Installation with `cmake --install <build dir> [--prefix <dir>]`:
#   bin/robotscene                          launcher: runs the program from its asset directory
#   lib/robotscene/robotscene               the program
#   share/robotscene/textures/, audio/      the images and sounds, read from the working directory
#   share/applications/robotscene.desktop   desktop entry, Exec with the launcher's absolute path
#   share/icons/hicolor/<n>x<n>/apps/robotscene.png
# The launcher finds the rest from its own location, so any prefix works. The directory names
# are fixed here and in packaging/robotscene; change them together.

set(ROBOTSCENE_PYTHON /usr/bin/python3 CACHE FILEPATH "Python 3 that draws the icon at build time")
set(ROBOTSCENE_ICON_SIZES 48 128 256) # pixels

# The icon is drawn from code at build time; nothing drawn is kept in the repository.
set(icons "")
foreach(size ${ROBOTSCENE_ICON_SIZES})
  set(icon ${PROJECT_BINARY_DIR}/icons/robotscene-${size}.png)
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons
    COMMAND ${ROBOTSCENE_PYTHON} ${PROJECT_SOURCE_DIR}/packaging/make-icon.py ${size} ${icon}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/make-icon.py
    COMMENT "Drawing the ${size} px icon"
    VERBATIM)
  list(APPEND icons ${icon})
  install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME robotscene.png)
endforeach()
add_custom_target(robotscene-icons ALL DEPENDS ${icons})

install(TARGETS robotscene RUNTIME DESTINATION lib/robotscene)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/robotscene DESTINATION bin)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/textures ${PROJECT_SOURCE_DIR}/audio
  DESTINATION share/robotscene
  FILES_MATCHING PATTERN "*.jpg" PATTERN "*.png" PATTERN "*.wav")
install(SCRIPT ${PROJECT_SOURCE_DIR}/packaging/install-desktop-entry.cmake)
