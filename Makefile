# Quick start (Debian 12, as root or with sudo):
#   make run [FILE=path]   install what is missing, build (Release), start the player
#   make test              install what is missing, build (Debug + ASan/UBSan), run every test
#   make fuzz-smoke        build the fuzz targets (clang) and run each for FUZZ_SECONDS on its corpus
.PHONY: run test build build-debug deps deps-test demo bench fuzz fuzz-smoke clean

RELEASE_DIR := build/release
DEBUG_DIR   := build/debug
JOBS        ?= $(shell nproc)
GEN         := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

run: deps build demo
	./scripts/run-player.sh $(RELEASE_DIR) "$(FILE)"

test: deps-test build-debug
	./scripts/run-tests.sh $(DEBUG_DIR)

deps:
	./scripts/install-deps.sh

deps-test:
	./scripts/install-deps.sh --test

build:
	cmake -S . -B $(RELEASE_DIR) $(GEN) -DCMAKE_BUILD_TYPE=Release -DZV_BUILD_TESTS=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)

build-debug:
	cmake -S . -B $(DEBUG_DIR) $(GEN) -DCMAKE_BUILD_TYPE=Debug -DZV_SANITIZE=ON
	cmake --build $(DEBUG_DIR) -j $(JOBS)

demo:
	./tests/media/make_media.sh $(RELEASE_DIR)/demo

bench: deps-test
	cmake -S . -B build/bench $(GEN) -DCMAKE_BUILD_TYPE=Release -DZV_BUILD_TESTS=OFF -DZV_BUILD_BENCH=ON
	cmake --build build/bench -j $(JOBS)

FUZZ_DIR     := build/fuzz
FUZZ_SECONDS ?= 20

fuzz:
	cmake -S . -B $(FUZZ_DIR) $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	      -DCMAKE_CXX_COMPILER=clang++ -DZV_BUILD_TESTS=OFF -DZV_BUILD_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target zv_fuzzers

fuzz-smoke: fuzz
	./scripts/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

clean:
	rm -rf build
