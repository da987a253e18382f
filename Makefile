# Front door. Each target does its own set-up: packages, configure, build.
BUILD_DIR      ?= build
TEST_BUILD_DIR ?= build-asan
JOBS           ?= $(shell nproc)
GENERATOR      := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps build test play clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAVIORRA_TESTS=OFF >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# One configuration with AddressSanitizer + UndefinedBehaviorSanitizer; every test runs.
test: deps
	@cmake -S . -B $(TEST_BUILD_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DAVIORRA_SANITIZE=ON -DAVIORRA_WERROR=ON >/dev/null
	@cmake --build $(TEST_BUILD_DIR) -j $(JOBS)
	@cd $(TEST_BUILD_DIR) && SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j $(JOBS)

# The game runs in build/game/, its working directory, where the build generates its content.
play: build
	@mkdir -p $(BUILD_DIR)/game
	@cd $(BUILD_DIR)/game && ../aviorra

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR)
