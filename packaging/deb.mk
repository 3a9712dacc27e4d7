# `make deb`: the Debian package build/robotscene_<version>_<arch>.deb, made by CPack from the
# program's install rules (cmake/Package.cmake). Included by the top Makefile; it adds the tools
# the package and its test need to PACKAGES. It does not install the package.

PACKAGES += dpkg-dev lintian appstream desktop-file-utils man-db

.PHONY: deb
deb: build
	cd $(BUILD_DIR) && cpack -G DEB
	@ls -1 $(BUILD_DIR)/robotscene_*.deb
