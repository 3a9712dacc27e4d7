# make fuzz: builds the image loader's libFuzzer target with clang (ASan + UBSan) in build-fuzz/
# and fuzzes it for FUZZ_SECONDS (10 minutes by default) on one core, starting from the committed
# corpus and the shipped textures. New inputs go to build-fuzz/corpus/, crashes to
# build-fuzz/crashes/; neither is committed. Copy a crash into fuzz/corpus/ and record it in
# fuzz/manifest.txt so the suite replays it from then on.

FUZZ_SECONDS   ?= 600
# More libFuzzer options, e.g. "-fork=1 -ignore_crashes=1" to keep going after a crash.
FUZZ_FLAGS     ?=
FUZZ_BUILD_DIR ?= build-fuzz
# Only make fuzz needs clang; the suite's replay builds with gcc.
FUZZ_PACKAGES  := build-essential cmake libstb-dev clang libclang-rt-14-dev
PACKAGES.fuzz       = $(FUZZ_PACKAGES)
PACKAGES.fuzz-build = $(FUZZ_PACKAGES)

.PHONY: fuzz fuzz-build
fuzz: SHELL := /bin/bash

fuzz-build:
	@$(MAKE) --no-print-directory deps-if-missing PACKAGES="$(FUZZ_PACKAGES)"
	cmake -S fuzz -B $(FUZZ_BUILD_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD_DIR) -j 2

fuzz: fuzz-build
	@mkdir -p $(FUZZ_BUILD_DIR)/corpus $(FUZZ_BUILD_DIR)/crashes
	@echo "Fuzzing the image loader for $(FUZZ_SECONDS) s; crash inputs go to $(FUZZ_BUILD_DIR)/crashes/"
	cd $(FUZZ_BUILD_DIR) && ASAN_OPTIONS=detect_leaks=1:malloc_fill_byte=255:max_malloc_fill_size=1048576 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$(CURDIR)/fuzz/ubsan.supp \
	  ./img_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 -close_fd_mask=2 -print_final_stats=1 $(FUZZ_FLAGS) \
	    -artifact_prefix=$(CURDIR)/$(FUZZ_BUILD_DIR)/crashes/ \
	    corpus $(CURDIR)/fuzz/corpus $(CURDIR)/textures 2>&1 | tee fuzz.log | \
	    grep -E --line-buffered '^#[0-9]+.*(INITED|pulse|DONE)|^#[0-9]+: cov|ERROR|runtime error|SUMMARY|Test unit written|stat::'; \
	  status=$${PIPESTATUS[0]}; \
	  echo "Executions, coverage (cov = edges) and any crash above; full log: $(FUZZ_BUILD_DIR)/fuzz.log"; \
	  ls $(CURDIR)/$(FUZZ_BUILD_DIR)/crashes; exit $$status
