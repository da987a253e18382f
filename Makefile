# Front door. Each target does its own set-up: packages, configure, build.
BUILD_DIR      ?= build
TEST_BUILD_DIR ?= build-asan
JOBS           ?= $(shell nproc)
GENERATOR      := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps build test fuzz-smoke format format-check play install package clean

all: build

deps:
	@scripts/install-deps

CONFIGURE_BUILD = cmake -S . -B $(BUILD_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAVIORRA_TESTS=OFF >/dev/null

build: deps
	@$(CONFIGURE_BUILD)
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# One configuration with AddressSanitizer + UndefinedBehaviorSanitizer; every test runs.
test: deps
	@cmake -S . -B $(TEST_BUILD_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DAVIORRA_SANITIZE=ON -DAVIORRA_WERROR=ON >/dev/null
	@cmake --build $(TEST_BUILD_DIR) -j $(JOBS)
	@cd $(TEST_BUILD_DIR) && SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j $(JOBS)

# Every fuzzer (fuzz/*.cpp, built with clang in build-fuzz) for FUZZ_SECONDS over its seed corpus;
# what it finds on the way stays in build-fuzz/corpus/, a crash stops the target with its input.
FUZZ_BUILD_DIR ?= $(CURDIR)/build-fuzz
FUZZ_SECONDS   ?= 20
fuzz-smoke: deps
	@command -v clang++ >/dev/null 2>&1 || { echo "fuzz-smoke: clang is missing (apt-get install clang)"; exit 1; }
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DAVIORRA_FUZZ=ON -DAVIORRA_TESTS=OFF -DAVIORRA_BENCHMARKS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD_DIR) --target fuzzers -j $(JOBS)
	@set -e; for seeds in $(CURDIR)/fuzz/corpus/*/; do \
	  name=$$(basename $$seeds); mkdir -p $(FUZZ_BUILD_DIR)/corpus/$$name $(FUZZ_BUILD_DIR)/crashes; \
	  if ! $(FUZZ_BUILD_DIR)/fuzz_$$name -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	      -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD_DIR)/crashes/$$name- \
	      $(FUZZ_BUILD_DIR)/corpus/$$name $$seeds >$(FUZZ_BUILD_DIR)/fuzz_$$name.log 2>&1; then \
	    tail -n 60 $(FUZZ_BUILD_DIR)/fuzz_$$name.log; echo "fuzz_$$name: FAILED"; exit 1; fi; \
	  echo "fuzz_$$name: $$(grep -m1 -o 'number_of_executed_units: [0-9]*' $(FUZZ_BUILD_DIR)/fuzz_$$name.log | \
	    grep -o '[0-9]*') runs, no finding"; \
	done

# The code's format (.clang-format at the root) over the C++ files of src/, tests/, tools/, bench/, fuzz/:
# format-check lists every file that differs and fails, format rewrites files in place (FORMAT_FILES
# narrows it, e.g. FORMAT_FILES=src/game/world.cpp).
CLANG_FORMAT  ?= clang-format-16
FORMAT_DIRS   := src tests tools bench fuzz
FORMAT_FILES  ?= $(shell git ls-files $(addsuffix /*.cpp,$(FORMAT_DIRS)) $(addsuffix /*.h,$(FORMAT_DIRS)) 2>/dev/null)
format-check: deps
	@bad=""; for f in $(FORMAT_FILES); do \
	  $(CLANG_FORMAT) --style=file --dry-run -Werror "$$f" >/dev/null 2>&1 || bad="$$bad $$f"; \
	done; \
	if [ -n "$$bad" ]; then echo "format-check: these files differ from .clang-format ($(CLANG_FORMAT) -i FILE mends one):"; \
	  for f in $$bad; do echo "  $$f"; done; exit 1; fi; \
	echo "format-check: $(words $(FORMAT_FILES)) files match"

format: deps
	@$(CLANG_FORMAT) --style=file -i $(FORMAT_FILES)

# The game runs in build/game/, its working directory, where the build generates its content.
play: build
	@mkdir -p $(BUILD_DIR)/game
	@cd $(BUILD_DIR)/game && ../aviorra

# Installs the optimised build below PREFIX (DESTDIR=... in front of it, as usual, for a staging root).
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The Debian package of the optimised build, $(BUILD_DIR)/aviorra_<version>_amd64.deb: only what it
# holds is built (no tools' tests, no benchmarks).
package: deps
	@$(CONFIGURE_BUILD)
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target aviorra content install_files
	@rm -f $(BUILD_DIR)/aviorra_*.deb
	@cd $(BUILD_DIR) && cpack -G DEB >/dev/null
	@ls $(BUILD_DIR)/aviorra_*.deb

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR)

# --- Browser build (WebAssembly + WebGL2, Debian's emscripten) ---------------------------------------
# The libraries, built once from Debian's source packages as static WebAssembly libraries into
# build-web/prefix (AVIORRA_WEB_CACHE=DIR reuses a copy kept outside the clone).
.PHONY: web-libs

web-libs:
	@scripts/install-web-deps && scripts/build-web-libs build-web/prefix

# --- Browser build of the game -----------------------------------------------------------------------
# build-web/aviorra.html (+ .js, .wasm, .data) from the libraries of web-libs, drawn through the
# OpenGL ES 3.0 profile (WebGL2). The preloaded content is the desktop build's generated game folder:
# $(BUILD_DIR)/game when it holds the content, else the content target built in WEB_CONTENT_BUILD.
.PHONY: web web-serve web-test

WEB_DIR           := build-web
WEB_PREFIX        := $(CURDIR)/$(WEB_DIR)/prefix
WEB_GAME_BUILD    := $(WEB_DIR)/game
WEB_CONTENT_BUILD ?= $(WEB_DIR)/content
WEB_ENV := NODE_PATH=$${NODE_PATH:-/usr/share/nodejs} EMSDK_PYTHON=$${EMSDK_PYTHON:-/usr/bin/python3} \
           PKG_CONFIG_LIBDIR=$(WEB_PREFIX)/lib/pkgconfig EM_PKG_CONFIG_PATH=$(WEB_PREFIX)/lib/pkgconfig

web: deps web-libs
	@if [ -f $(BUILD_DIR)/game/data.vrk ] && [ -f $(BUILD_DIR)/game/exec.vrs ]; then \
	  content=$(CURDIR)/$(BUILD_DIR)/game; \
	else \
	  cmake -S . -B $(WEB_CONTENT_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DAVIORRA_TESTS=OFF -DAVIORRA_BENCHMARKS=OFF >/dev/null && \
	  cmake --build $(WEB_CONTENT_BUILD) -j $(JOBS) --target content && \
	  content=$(WEB_CONTENT_BUILD)/game; \
	fi && \
	$(WEB_ENV) emcmake cmake -S . -B $(WEB_GAME_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release \
	  "-DCMAKE_CROSSCOMPILING_EMULATOR=$$(command -v node);--no-experimental-fetch" \
	  -DAVIORRA_GLES=ON -DAVIORRA_TESTS=OFF -DAVIORRA_BENCHMARKS=OFF \
	  -DCMAKE_PREFIX_PATH=$(WEB_PREFIX) -DCMAKE_FIND_ROOT_PATH=$(WEB_PREFIX) \
	  -DSQUISH_LIBRARY=$(WEB_PREFIX)/lib/libsquish.a -DSQUISH_INCLUDE_DIR=$(WEB_PREFIX)/include \
	  -Dmeshoptimizer_DIR=$(WEB_PREFIX)/lib/cmake/meshoptimizer \
	  -DAVIORRA_WEB_CONTENT_DIR=$$content -DAVIORRA_WEB_OUTPUT_DIR=$(CURDIR)/$(WEB_DIR) >/dev/null && \
	$(WEB_ENV) cmake --build $(WEB_GAME_BUILD) -j $(JOBS) --target aviorra && \
	ls -l $(WEB_DIR)/aviorra.html $(WEB_DIR)/aviorra.js $(WEB_DIR)/aviorra.wasm $(WEB_DIR)/aviorra.data

# Serves build-web/ on 127.0.0.1 (WEB_PORT, default 8080) and prints the page's address.
WEB_PORT ?= 8080
web-serve:
	@test -f $(WEB_DIR)/aviorra.html || { echo "web-serve: no $(WEB_DIR)/aviorra.html: make web" >&2; exit 1; }
	@echo "AVIORRA in the browser: http://127.0.0.1:$(WEB_PORT)/aviorra.html (Ctrl+C stops the server)"
	@python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_DIR)

# The whole game in headless Chromium against the desktop build's pictures (tests/web); installs
# chromium and the test's npm package when missing.
web-test: build
	@$(MAKE) --no-print-directory web
	@AVIORRA_WEB_BROWSER=1 scripts/install-web-deps
	@cd tests/web && { [ -d node_modules/playwright-core ] || npm ci --no-audit --no-fund --loglevel=error; }
	@node tests/web/browser_test.mjs --web $(WEB_DIR) --desktop $(BUILD_DIR)
