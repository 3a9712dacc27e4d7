# The release and the Debian package (debian/), included by the top Makefile. Each works on the
# last commit (DIST_COMMIT), never on uncommitted changes:
#   make dist        build/robotscene-<version>.tar.gz, the tree of the commit but debian/, the same
#                    bytes whenever and wherever it is made; also the package's orig tarball
#   make deb         installs the Build-Depends, then dpkg-buildpackage -us -uc -b: the .deb
#                    files, .buildinfo and .changes land in build/
#   make source      the source package (.dsc, .debian.tar.xz) in build/
#   make upload      source and binary packages together, as an upload has them (.changes in build/)
#   make upload-check-tools   installs what .ci/run checks an upload with: mmdebstrap,
#                    autopkgtest, piuparts
# None of them signs, uploads or installs the package.

# debhelper, as make test builds the package; reuse, locales and faketime for the package test's
# licence check and its second build in another locale and at another time.
DEB_PACKAGES         := dpkg-dev debhelper git reuse locales faketime
UPLOAD_CHECK_PACKAGES := mmdebstrap autopkgtest piuparts
PACKAGES.deb          = $(DEB_PACKAGES)
PACKAGES.source       = $(DEB_PACKAGES)
PACKAGES.upload       = $(DEB_PACKAGES)
PACKAGES.dist         = git
PACKAGES.upload-check-tools = $(UPLOAD_CHECK_PACKAGES)

# The release's version is the top CMakeLists.txt's; the package's adds Debian's revision.
DIST_COMMIT      ?= HEAD
UPSTREAM_VERSION := $(shell grep -m1 -o 'robotscene VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)
DEB_VERSION      := $(shell dpkg-parsechangelog -l debian/changelog -S Version 2>/dev/null)
DIST             := $(BUILD_DIR)/robotscene-$(UPSTREAM_VERSION).tar.gz
DEB_TREE         := $(BUILD_DIR)/robotscene-$(UPSTREAM_VERSION)
DEB_ARCH         := $(shell dpkg --print-architecture 2>/dev/null)
DEB_CHANGES      := $(BUILD_DIR)/robotscene_$(DEB_VERSION)_$(DEB_ARCH).changes

.PHONY: dist deb-tree deb-build-deps deb source upload upload-check-tools

# git archive stamps every member with the commit's time; tar.umask fixes the modes, gzip -n
# leaves out the name and time. The packaging (debian/) is Debian's part, added on top of the
# release in deb-tree, as a distribution adds its own.
dist:
	@mkdir -p $(BUILD_DIR)
	git -c tar.umask=0022 archive --format=tar --prefix=robotscene-$(UPSTREAM_VERSION)/ $(DIST_COMMIT) \
	  -- . ':!debian' | gzip -9n > $(DIST).part
	mv $(DIST).part $(DIST)

# The tarball unpacked beside itself under the orig name dpkg-source looks for, and the commit's
# debian/ put in.
deb-tree: dist
	rm -rf $(DEB_TREE)
	tar -xzf $(DIST) -C $(BUILD_DIR)
	git archive $(DIST_COMMIT) debian | tar -x -C $(DEB_TREE)
	ln -sf $(notdir $(DIST)) $(BUILD_DIR)/robotscene_$(UPSTREAM_VERSION).orig.tar.gz

deb-build-deps: deps-if-missing
	@dpkg-checkbuilddeps 2>/dev/null || { $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get build-dep -y --no-install-recommends ./; }

deb: deb-build-deps deb-tree
	cd $(DEB_TREE) && dpkg-buildpackage -us -uc -b
	@ls -1 $(BUILD_DIR)/*.deb $(BUILD_DIR)/*.changes

source: deps-if-missing deb-tree
	cd $(DEB_TREE) && dpkg-buildpackage -us -uc -S -d
	@ls -1 $(BUILD_DIR)/*.dsc

upload: deb-build-deps deb-tree
	cd $(DEB_TREE) && dpkg-buildpackage -us -uc
	@ls -1 $(DEB_CHANGES)

upload-check-tools: deps-if-missing
