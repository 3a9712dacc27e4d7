# `make deb`: the Debian package build/robotscene_<version>_<arch>.deb, made by CPack from the
# program's install rules (cmake/Package.cmake). Included by the top Makefile. It does not install
# the package.

# dpkg-shlibdeps works out Depends; CPack finds the program with file.
DEB_PACKAGES := dpkg-dev file
PACKAGES.deb  = $(DESKTOP_PACKAGES) $(DEB_PACKAGES)

.PHONY: deb
deb: build
	cd $(BUILD_DIR) && cpack -G DEB
	@ls -1 $(BUILD_DIR)/robotscene_*.deb
