# The scene in a web page: the same sources built with Debian's emscripten into build-web/
# (index.html stamped with the sizes and digests of the files it loads, loader.js, robotscene.js,
# robotscene.wasm, robotscene.data with the images, audio/ with the sounds, fetched when first
# played; sw.js, the manifest and icons for visits without a network and installing). Included
# by the top Makefile.
#
#   make web         install what is missing, then build build-web/
#   make web-serve   serve build-web/ on http://localhost:8000/ as a careful host does
#   make web-bench   load and frame cost in headless Chromium, and Lighthouse's mobile figures
#
# The desktop's audio source is replaced by web/audio, GL, GLU and GLUT by web/gl and web/glut
# (headers in web/include), rand by glibc's generator in web/platform, the picture file by a
# download (web/platform/PictureDownload.cpp). Nothing else differs.

WEB_PACKAGES      := emscripten python3 libstb-dev
WEB_TEST_PACKAGES := chromium python3-websocket
PACKAGES.web       = $(WEB_PACKAGES)
PACKAGES.web-build = $(WEB_PACKAGES)
PACKAGES.web-serve = $(WEB_PACKAGES)
PACKAGES.web-bench = $(DESKTOP_PACKAGES) $(WEB_PACKAGES) $(WEB_TEST_PACKAGES)

WEB_DIR      := build-web
WEB_EMXX     := NODE_PATH=/usr/share/nodejs em++
WEB_REPLACED := src/audio/Audio.cpp src/app/PictureFile.cpp
WEB_SOURCES  := $(filter-out $(WEB_REPLACED),$(wildcard src/*/*.cpp) $(wildcard web/*/*.cpp))
# The GL bridge, the page (input, loop, notes) and the sound, each linked as its own library.
WEB_LIBRARIES := web/js/gl.js web/js/page.js web/js/sound.js
WEB_OBJECTS  := $(patsubst %.cpp,$(WEB_DIR)/obj/%.o,$(WEB_SOURCES))
# The version --version prints, from the top CMakeLists.txt as the desktop build takes it.
WEB_VERSION  := $(shell grep -m1 -o 'robotscene VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)
WEB_CXXFLAGS := -std=c++17 -O2 -Wall -Wextra -Iweb/include -Iweb -Isrc -isystem /usr/include/stb -MMD -MP \
                -DROBOTSCENE_VERSION='"$(WEB_VERSION)"'
# free() is wrapped so the GL layer forgets the upload it kept for a decoded image as it goes.
WEB_LDFLAGS  := -O2 -Wl,--wrap=free $(addprefix --js-library ,$(WEB_LIBRARIES)) -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1 \
                -sEXIT_RUNTIME=0 --preload-file textures@/textures
WEB_TEXTURES := $(wildcard textures/*)
WEB_SOUNDS   := $(patsubst audio/%,$(WEB_DIR)/audio/%,$(wildcard audio/*.wav))

.PHONY: web web-build web-serve web-bench

web: deps-if-missing
	@$(MAKE) --no-print-directory web-build

web-build: $(WEB_DIR)/robotscene.js $(WEB_DIR)/index.html $(WEB_SOUNDS)

$(WEB_DIR)/obj/%.o: %.cpp
	@mkdir -p $(dir $@)
	$(WEB_EMXX) $(WEB_CXXFLAGS) -c $< -o $@

$(WEB_DIR)/robotscene.js: $(WEB_OBJECTS) $(WEB_LIBRARIES) $(WEB_TEXTURES)
	$(WEB_EMXX) $(WEB_OBJECTS) $(WEB_LDFLAGS) -o $@

$(WEB_DIR)/robotscene.wasm $(WEB_DIR)/robotscene.data: $(WEB_DIR)/robotscene.js ;

# The page's hosting: index.html, the manifest and the worker (sw.js) are stamped with the size
# and digest of every file the page loads, once they are all in place (web/tools/stamp.py); the
# icons are drawn by the program's own icon maker.
WEB_PAYLOAD := robotscene.js robotscene.wasm robotscene.data loader.js touch.js page.css touch.css \
               icon-192.png icon-512.png $(patsubst $(WEB_DIR)/%,%,$(WEB_SOUNDS))
$(WEB_DIR)/index.html: web/index.html web/js/sw.js web/manifest.webmanifest web/tools/stamp.py \
                      $(addprefix $(WEB_DIR)/,$(WEB_PAYLOAD))
	$(PYTHON) web/tools/stamp.py $(WEB_DIR) $(WEB_PAYLOAD)
$(WEB_DIR)/icon-%.png: packaging/make-icon.py
	@mkdir -p $(dir $@)
	$(PYTHON) $< $* $@
$(WEB_DIR)/loader.js: web/js/loader.js
$(WEB_DIR)/page.css: web/page.css
$(WEB_DIR)/loader.js $(WEB_DIR)/page.css:
	@mkdir -p $(dir $@)
	cp $< $@

# The touch screen's gestures and controls (web/js/touch.js), a plain script with its style sheet.
web-build: $(WEB_DIR)/touch.js $(WEB_DIR)/touch.css
$(WEB_DIR)/touch.js: web/js/touch.js
$(WEB_DIR)/touch.css: web/touch.css
$(WEB_DIR)/touch.js $(WEB_DIR)/touch.css:
	@mkdir -p $(dir $@)
	cp $< $@

$(WEB_DIR)/audio/%.wav: audio/%.wav
	@mkdir -p $(dir $@)
	cp $< $@

web-serve: web
	$(PYTHON) web/tools/serve.py $(WEB_DIR)

web-bench: web build
	$(PYTHON) web/tools/bench.py

# make test builds the page too: the browser tests load it.
test: web

-include $(WEB_OBJECTS:.o=.d)
