# The two everyday commands: `make run` and `make test`. Both install what is missing,
# configure build/ and build; nothing else needs to be set up by hand.
BUILD     ?= build
JOBS      ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps configure build run test bench fuzz clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Starts the program; under a virtual display when this machine has none.
run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD)/bin/zcn-converter; \
	else \
	  xvfb-run -a $(BUILD)/bin/zcn-converter; \
	fi

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZCN_BUILD_BENCH=ON -DZCN_BUILD_TESTS=OFF >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@build-bench/bin/zcn-bench

FUZZ_SECONDS ?= 600
fuzz:
	@scripts/install-deps --fuzz
	@CXX=clang++ cmake -S . -B build-fuzz -DZCN_BUILD_FUZZ=ON -DZCN_BUILD_TESTS=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target zcn-fuzz
	@mkdir -p build-fuzz/corpus
	@build-fuzz/bin/zcn-fuzz -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus build-fuzz/bin/seeds

clean:
	rm -rf $(BUILD) build-bench build-fuzz build-asan build-tsan
