# The Debian package, made by CPack's DEB generator from the install rules of cmake/Install.cmake
# (`make deb`, or `cpack -G DEB` in the build directory). Depends is worked out by dpkg-shlibdeps
# from the libraries the program links. Two builds of one commit give the same bytes, wherever the
# tree lies (cmake/Hardening.cmake, cmake/PackageDate.cmake). It does not sign, upload or build a
# source package.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME robotscene)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "robotscene developers <robotscene@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "drive a small three-legged robot around a 3-D scene")
set(CPACK_PACKAGE_DESCRIPTION [=[
A small three-legged robot with a domed head stands on a floor inside a
night-sky box, between two picture boards. Drive it with the keyboard, turn
its head by hand or let it sweep to and fro, switch the hologram it projects,
orbit and zoom the camera with the mouse and cycle three camera modes. Sound
cues and background music play through canberra-gtk-play when it is
installed, and now and then a craft flies across the sky.
.
It is drawn with the fixed-function OpenGL pipeline through freeglut and
runs well on a software renderer.]=])

# Only what the program's own install rules carry, installed under /usr with DESTDIR, so the
# desktop entry's Exec is written with the path the package puts the launcher at.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};${ROBOTSCENE_COMPONENT};/")
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr) # the prefix CPack installs to under DESTDIR
set(CPACK_STRIP_FILES ON)
# The package's time stamps are the last commit's, set as cpack runs.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageDate.cmake)
set(CPACK_ROBOTSCENE_SOURCE_DIR ${PROJECT_SOURCE_DIR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # robotscene_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ROBOTSCENE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The program runs silently without its sound player.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS gnome-session-canberra)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
