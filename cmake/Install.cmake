# Installation with `cmake --install <build dir> [--prefix <dir>]`, laid out as Debian lays out games:
#   games/robotscene                         launcher: runs the program from its data directory
#   libexec/robotscene/robotscene            the program
#   share/games/robotscene/textures/, audio/ the images and sounds, read from the working directory
#   share/applications/robotscene.desktop    desktop entry, Exec with the launcher's absolute path
#   share/icons/hicolor/<n>x<n>/apps/robotscene.png
#   share/metainfo/<id>.metainfo.xml         AppStream metadata for software centres
#   share/man/man6/robotscene.6.gz           the manual page
#   share/doc/robotscene/copyright           the licence (LICENSE; the package's names stb's too)
# The launcher finds the rest from its own location, so any prefix works (also a `dpkg -x` root).
# The directory names are fixed here and in packaging/robotscene; change them together.
# The Debian package (debian/) installs with these rules and adds only what is Debian's own: the
# changelog, its copyright file, the lintian overrides, stripping into -dbgsym. The target
# robotscene-installed builds all that these rules install and nothing else.

set(ROBOTSCENE_PYTHON /usr/bin/python3 CACHE FILEPATH "Python 3 that draws the icon at build time")
set(ROBOTSCENE_ICON_SIZES 48 128 256) # pixels
set(ROBOTSCENE_HOMEPAGE "https://robotscene.example.org" CACHE STRING
  "Where the project's tree is published; the AppStream screenshots are docs/tour/ below it")
set(ROBOTSCENE_APPSTREAM_ID org.example.robotscene) # never changes once published
set(ROBOTSCENE_RELEASE_DATE 2026-12-07)             # of PROJECT_VERSION, as in debian/changelog
set(ROBOTSCENE_COMPONENT robotscene)                # what the package carries; no other part's files

# Directories the install creates get the usual modes whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The icon is drawn from code at build time; nothing drawn is kept in the repository.
set(generated "")
foreach(size ${ROBOTSCENE_ICON_SIZES})
  set(icon ${PROJECT_BINARY_DIR}/icons/robotscene-${size}.png)
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons
    COMMAND ${ROBOTSCENE_PYTHON} ${PROJECT_SOURCE_DIR}/packaging/make-icon.py ${size} ${icon}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/make-icon.py
    COMMENT "Drawing the ${size} px icon"
    VERBATIM)
  list(APPEND generated ${icon})
  install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME robotscene.png
    COMPONENT ${ROBOTSCENE_COMPONENT})
endforeach()

# Manual page with this version and date filled in, compressed without a name or time stamp so
# the bytes never change.
set(docs ${PROJECT_BINARY_DIR}/packaging)
configure_file(${PROJECT_SOURCE_DIR}/packaging/robotscene.6.in ${docs}/robotscene.6 @ONLY)
add_custom_command(OUTPUT ${docs}/robotscene.6.gz
  COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip ${docs}/robotscene.6 ${docs}/robotscene.6.gz
  DEPENDS ${docs}/robotscene.6
  COMMENT "Compressing robotscene.6"
  VERBATIM)
list(APPEND generated ${docs}/robotscene.6.gz)
add_custom_target(robotscene-installed ALL DEPENDS ${generated})
add_dependencies(robotscene-installed robotscene)

configure_file(${PROJECT_SOURCE_DIR}/packaging/robotscene.metainfo.xml.in
  ${docs}/${ROBOTSCENE_APPSTREAM_ID}.metainfo.xml @ONLY)

# Not stripped here: dh_strip moves the debug information into the -dbgsym package.
install(TARGETS robotscene RUNTIME DESTINATION libexec/robotscene COMPONENT ${ROBOTSCENE_COMPONENT})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/robotscene DESTINATION games
  COMPONENT ${ROBOTSCENE_COMPONENT})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/textures ${PROJECT_SOURCE_DIR}/audio
  DESTINATION share/games/robotscene COMPONENT ${ROBOTSCENE_COMPONENT}
  FILES_MATCHING PATTERN "*.jpg" PATTERN "*.png" PATTERN "*.wav")
install(FILES ${docs}/robotscene.6.gz DESTINATION share/man/man6 COMPONENT ${ROBOTSCENE_COMPONENT})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/robotscene RENAME copyright
  COMPONENT ${ROBOTSCENE_COMPONENT})
install(FILES ${docs}/${ROBOTSCENE_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo
  COMPONENT ${ROBOTSCENE_COMPONENT})
install(SCRIPT ${PROJECT_SOURCE_DIR}/packaging/install-desktop-entry.cmake
  COMPONENT ${ROBOTSCENE_COMPONENT})
