# Quick start (Debian 12, as root or with sudo):
#   make run [FILE=path]   install what is missing, build (Release), start the player
#   make test              install what is missing, build (Debug + ASan/UBSan), run every test,
#                          the fuzz smoke and the package test
#   make fuzz-smoke        build the fuzz targets (clang) and run each for FUZZ_SECONDS on its corpus
#   make package           build the Debian package (Release) into build/package
#   make package-test      build it, install it with apt, start the installed player, purge it
.PHONY: run test build build-debug deps deps-test demo bench fuzz fuzz-smoke package package-test clean

RELEASE_DIR := build/release
DEBUG_DIR   := build/debug
JOBS        ?= $(shell nproc)
GEN         := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

run: deps build demo
	./scripts/run-player.sh $(RELEASE_DIR) "$(FILE)"

# Every test, then a short run of each fuzz target (when clang is there), then the package
# installed, started and purged.
test: deps-test build-debug
	./scripts/run-tests.sh $(DEBUG_DIR)
	@if command -v clang++ >/dev/null 2>&1; then $(MAKE) fuzz-smoke; \
	 else echo "clang++ not found: fuzz smoke skipped"; fi
	$(MAKE) package-test

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

PACKAGE_DIR := build/package

package: deps
	cmake -S . -B $(PACKAGE_DIR) $(GEN) -DCMAKE_BUILD_TYPE=Release -DZV_BUILD_TESTS=OFF \
	      -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(PACKAGE_DIR) -j $(JOBS)
	cd $(PACKAGE_DIR) && cpack -G DEB

package-test: package
	./scripts/package-test.sh $(PACKAGE_DIR)

clean:
	rm -rf build
