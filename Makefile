# Two commands for a newcomer: `make run` and `make test`. Both install the Debian packages the
# build needs (only when something is missing), configure and build into build/.

BUILD_DIR   ?= build
BUILD_TYPE  ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS        ?= $(shell nproc)
PYTHON      := /usr/bin/python3

# Everything the build, the tests and the sound player need, from Debian.
PACKAGES := build-essential cmake pkg-config python3 coreutils \
            freeglut3-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libstb-dev \
            libgtest-dev googletest fonts-dejavu-core \
            xvfb xdotool x11-utils imagemagick gnome-session-canberra desktop-file-utils

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
.PHONY: all deps deps-if-missing configure build run test assets bench tour soak clean

all: build

deps:
	$(SUDO) apt-get update
	DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $(PACKAGES)

deps-if-missing:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${db:Status-Abbrev}' $$p 2>/dev/null | grep -q '^ii' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then echo "Installing missing packages:$$missing"; $(MAKE) --no-print-directory deps; fi

configure: deps-if-missing
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

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
