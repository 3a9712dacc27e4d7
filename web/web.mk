# The scene in a web page: the glue between `make web` and CMake, which builds the page with
# Debian's emscripten from the same source list as the desktop (web/CMakeLists.txt says what
# differs) into build-web/: index.html stamped with the sizes and digests of the files it loads,
# loader.js, robotscene.js, robotscene.wasm, robotscene.data with the images, touch.js and
# touch.css, page.css, audio/ with the sounds (fetched when first played); sw.js, the manifest and
# the icons for visits without a network and installing. Included by the top Makefile.
#
#   make web         install what is missing, then build build-web/
#   make web-serve   serve build-web/ on http://localhost:8000/ as a careful host does
#   make web-bench   load and frame cost in headless Chromium, and Lighthouse's mobile figures

WEB_PACKAGES      := emscripten cmake python3 libstb-dev
WEB_TEST_PACKAGES := chromium firefox-esr webkit2gtk-driver python3-websocket
PACKAGES.web       = $(WEB_PACKAGES)
PACKAGES.web-build = $(WEB_PACKAGES)
PACKAGES.web-serve = $(WEB_PACKAGES)
PACKAGES.web-bench = $(DESKTOP_PACKAGES) $(WEB_PACKAGES) $(WEB_TEST_PACKAGES)

WEB_DIR := build-web
# emscripten's tools find Debian's node modules only through NODE_PATH.
WEB_ENV := NODE_PATH=/usr/share/nodejs

.PHONY: web web-build web-serve web-bench

web: deps-if-missing
	@$(MAKE) --no-print-directory web-build

# Configured every time, so CMAKE_FLAGS (CI's -DROBOTSCENE_WERROR=ON) reach the page as the desktop.
web-build:
	$(WEB_ENV) emcmake cmake -S . -B $(WEB_DIR) $(CMAKE_FLAGS)
	$(WEB_ENV) cmake --build $(WEB_DIR) -j $(JOBS)

web-serve: web
	$(PYTHON) web/tools/serve.py $(WEB_DIR)

web-bench: web build
	$(PYTHON) web/tools/bench.py

# make test builds the page too: the browser tests load it.
test: web
