# The one entry point: make demo, make test (see README.md).
# Every target first installs the Debian packages that are missing.

SHELL := /bin/bash
BUILD ?= build
NATIVE := $(BUILD)/native
WIN64 := $(BUILD)/win64
WIN32 := $(BUILD)/win32
FUZZ := $(BUILD)/fuzz
STAGE := $(abspath $(BUILD))/product
PACKAGE := $(abspath $(BUILD))/package/TamberlySetup.exe
# Each Windows tree runs its suites in a WoW64 prefix of its own (64-bit
# Windows, where the browser's plug-ins are 32-bit); the 32-bit tree also
# has a prefix of 32-bit-only Windows.
PREFIX := $(abspath $(WIN64))/wineprefix
PREFIX32 := $(abspath $(WIN32))/wineprefix
PREFIX32ONLY := $(abspath $(WIN32))/wineprefix-win32
FUZZ_SECONDS ?= 3
CTEST_ARGS ?=

NATIVE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTB_SANITIZE=ON
# Both Windows trees know the product as a whole (the staged deliverables of
# both bitnesses) and each other's test programs.
CROSS_FLAGS := -DTB_HOST_TOOLS=$(abspath $(NATIVE)) -DTB_PRODUCT_STAGE=$(STAGE) \
	-DTB_SETUP_PROGRAM=$(PACKAGE) \
	-DTB_WIN64_TREE=$(abspath $(WIN64)) -DTB_WIN32_TREE=$(abspath $(WIN32))
WIN64_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-mingw64.cmake $(CROSS_FLAGS)
WIN32_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-mingw32.cmake $(CROSS_FLAGS)
FUZZ_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTB_FUZZ=ON \
	-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTB_HOST_TOOLS=$(abspath $(NATIVE))

.PHONY: all deps native win64 win32 check-win32 stage package fuzz-build fuzz fuzz-smoke prefix \
	test test-native test-win64 test-win32 demo bench screenshots clean

all: native win64 win32

deps:
	@tools/dev/ensure-packages.sh

$(NATIVE)/build.ninja: | deps
	cmake -S . -B $(NATIVE) $(NATIVE_FLAGS)
$(WIN64)/build.ninja: | deps
	cmake -S . -B $(WIN64) $(WIN64_FLAGS)
$(WIN32)/build.ninja: | deps
	cmake -S . -B $(WIN32) $(WIN32_FLAGS)
$(FUZZ)/build.ninja: | deps
	cmake -S . -B $(FUZZ) $(FUZZ_FLAGS)

native: deps $(NATIVE)/build.ninja
	cmake --build $(NATIVE)

# The cross trees run tools of the native tree at build time.
win64: native $(WIN64)/build.ninja
	cmake --build $(WIN64)

win32 check-win32: native $(WIN32)/build.ninja
	cmake --build $(WIN32)

# The product of both bitnesses, as the installer takes it (build/product).
stage: win64 win32
	tools/dev/stage-product.sh $(WIN64) $(WIN32) $(STAGE)

# The setup program a family downloads (build/package/TamberlySetup.exe).
package: stage
	tools/installer/package/build-package.sh $(STAGE) $(PACKAGE)

fuzz-build: native $(FUZZ)/build.ninja
	cmake --build $(FUZZ)

# make fuzz: every target for FUZZ_SECONDS (default 60 here) from its corpus.
fuzz: FUZZ_SECONDS = 60
fuzz: fuzz-build
	tools/dev/run-fuzzers.sh $(FUZZ) $(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	tools/dev/run-fuzzers.sh $(FUZZ) $(FUZZ_SECONDS)

prefix: deps
	tools/dev/wine-prefix.sh ensure $(PREFIX) win64
	tools/dev/wine-prefix.sh ensure $(PREFIX32) win64
	tools/dev/wine-prefix.sh ensure $(PREFIX32ONLY) win32

test-native: native
	ctest --test-dir $(NATIVE) --output-on-failure -j$(shell nproc) $(CTEST_ARGS)

test-win64: package prefix
	tools/dev/run-wine-tests.sh $(WIN64) $(PREFIX) $(CTEST_ARGS)

test-win32: package prefix
	tools/dev/run-wine-tests.sh $(WIN32) $(PREFIX32) $(CTEST_ARGS)

test: test-native test-win64 test-win32 fuzz-smoke
	@echo "All suites passed."

demo: package prefix
	tools/dev/demo.sh $(NATIVE) $(WIN64) $(WIN32) $(PACKAGE)

# Every page of the Manager as a picture, in build/screenshots (Xvfb).
screenshots: win64 prefix
	manager/tests/screenshots.sh $(CURDIR) $(WIN64) $(BUILD)/screenshots

bench: native package prefix
	tools/dev/run-benchmarks.sh $(NATIVE) $(WIN64) $(PACKAGE)

clean:
	rm -rf $(BUILD)
