# Two commands for a newcomer: `make run` and `make test`. Each command installs the Debian
# packages it needs (only when something is missing), configures and builds into build/.
# `make print-packages` lists what each command installs.

BUILD_DIR   ?= build
BUILD_TYPE  ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS        ?= $(shell nproc)
PYTHON      := /usr/bin/python3

# Debian's packages by purpose. Building and running the desktop program (libX11 for the keyboard
# map; a private X server with its keyboard layouts, xdotool and ImageMagick for `make run`
# without a display; the sound player):
DESKTOP_PACKAGES := build-essential cmake pkg-config python3 coreutils \
                    freeglut3-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libstb-dev libx11-dev \
                    xvfb x11-xkb-utils xkb-data xdotool x11-utils imagemagick gnome-session-canberra
# What the suite adds: GoogleTest, the asset generator's fonts, the package test's tools, and
# python3-evdev for a virtual gamepad.
TEST_PACKAGES    := libgtest-dev googletest fonts-dejavu-core desktop-file-utils git \
                    lintian appstream man-db devscripts diffoscope-minimal python3-evdev
# Each command's list is PACKAGES.<goal>; a goal without one builds the desktop program. The web
# page, the package and the fuzz target add theirs in their own .mk files.
PACKAGES.test    = $(DESKTOP_PACKAGES) $(TEST_PACKAGES) $(WEB_PACKAGES) $(WEB_TEST_PACKAGES) $(DEB_PACKAGES)
PACKAGES.deps    = $(PACKAGES.test)
PACKAGES.assets  = $(DESKTOP_PACKAGES) fonts-dejavu-core
packages_for     = $(sort $(or $(PACKAGES.$(1)),$(DESKTOP_PACKAGES)))
GOALS           := $(or $(filter-out print-packages,$(MAKECMDGOALS)),all)
PACKAGES         = $(sort $(foreach goal,$(GOALS),$(call packages_for,$(goal))))
PRINT_GOALS     ?= run build test web deb fuzz

# The tests need GoogleTest, which only `make test` installs: without it the build leaves them out.
HAVE_GTEST := $(shell dpkg-query -W -f='$${db:Status-Abbrev}' libgtest-dev 2>/dev/null | grep -q '^ii' && echo ON)
TESTING    := $(if $(filter test,$(MAKECMDGOALS)),ON,$(or $(HAVE_GTEST),OFF))

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
.PHONY: all deps deps-if-missing print-packages configure build run test assets bench tour soak clean

all: build

deps:
	$(SUDO) apt-get update
	DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $(PACKAGES)

deps-if-missing:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${db:Status-Abbrev}' $$p 2>/dev/null | grep -q '^ii' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then echo "Installing missing packages:$$missing"; \
	  $(MAKE) --no-print-directory deps PACKAGES="$$missing"; fi

print-packages:
	@$(foreach goal,$(PRINT_GOALS),echo "make $(goal): $(call packages_for,$(goal))";)

configure: deps-if-missing
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBUILD_TESTING=$(TESTING) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Runs the program from the repository root: it reads textures/ and audio/ from there. Without a
# display it runs on a private X server, keeps a screenshot of the first frames and takes the tour.
run: build
	@if [ -n "$$DISPLAY" ] && xdpyinfo >/dev/null 2>&1; then \
	  exec ./$(BUILD_DIR)/robotscene; \
	else \
	  echo "No X display could be opened: running on a private Xvfb; pictures in $(BUILD_DIR)/screenshot.png and $(BUILD_DIR)/tour/"; \
	  ROBOTSCENE_BIN=./$(BUILD_DIR)/robotscene $(PYTHON) tools/screenshot.py $(BUILD_DIR)/screenshot.png && \
	  ROBOTSCENE_BIN=./$(BUILD_DIR)/robotscene $(PYTHON) tools/tour.py --out $(BUILD_DIR)/tour; \
	fi

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Regenerates every texture and sound from code; the results are committed.
assets: build
	./$(BUILD_DIR)/tools/assetgen/assetgen .

# Frame times of the real renderer, case by case (on a private Xvfb when there is no display).
bench: build
	$(PYTHON) tools/bench.py

# A scripted visit of the program, one picture per stop, in $(BUILD_DIR)/tour/.
tour: build
	$(PYTHON) tools/tour.py

# Ten minutes of the real program with input every second: memory, descriptors and threads must
# stay flat (CI runs a one-minute version with the tests).
soak: build
	ROBOTSCENE_BIN=./$(BUILD_DIR)/robotscene $(PYTHON) tools/soak.py --seconds 600

clean:
	rm -rf $(BUILD_DIR)

# The web page, the fuzz target and the Debian package keep their build glue with their own files.
-include web/web.mk
-include fuzz/fuzz.mk
-include packaging/deb.mk
