# Everything starts here: `make run` opens the wizard, `make test` runs every
# test. Both install what a fresh Debian 12 machine lacks first.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD := build

.PHONY: all bootstrap host win64 win32 linux install test test-host test-win fuzz run demo bench screenshots dist format clean

all: host win64 win32 linux

bootstrap:
	@scripts/bootstrap.sh

$(BUILD)/host/Makefile: | bootstrap
	cmake -S . -B $(BUILD)/host -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPF_SANITIZE=ON >/dev/null

$(BUILD)/win64/Makefile: | bootstrap
	cmake -S . -B $(BUILD)/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null

$(BUILD)/win32/Makefile: | bootstrap
	cmake -S . -B $(BUILD)/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null

host: bootstrap $(BUILD)/host/Makefile
	cmake --build $(BUILD)/host -j $(JOBS)

win64: bootstrap $(BUILD)/win64/Makefile
	cmake --build $(BUILD)/win64 -j $(JOBS)

# The shipped 32-bit program; its tests run under wine32 in a 32-bit prefix.
win32: bootstrap $(BUILD)/win32/Makefile
	cmake --build $(BUILD)/win32 -j $(JOBS)

# The Linux program folder, build/linux/bin: the native packforge-cli, its
# client and codec, and the Windows files packages carry, from the i686 tree.
$(BUILD)/linux/Makefile: | bootstrap
	cmake -S . -B $(BUILD)/linux -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPF_LINUX_PROGRAM=ON \
	  -DPF_WINDOWS_PROGRAM_DIR=$(abspath $(BUILD))/win32/bin >/dev/null

linux: win32 $(BUILD)/linux/Makefile
	cmake --build $(BUILD)/linux -j $(JOBS)

# make install PREFIX=/opt/packforge: the Linux program folder into
# PREFIX/lib/packforge, and PREFIX/bin/packforge-cli linking to it.
PREFIX ?= /usr/local
install: linux
	cmake --install $(BUILD)/linux --prefix $(PREFIX)

test: all
	scripts/with-display.sh scripts/run-tests.sh $(BUILD)
	scripts/run-fuzz.sh $(BUILD)/fuzz

# The agent's package checks under libFuzzer for a bounded time (native clang).
fuzz: bootstrap
	scripts/run-fuzz.sh $(BUILD)/fuzz

run: win64
	@scripts/run-wizard.sh $(BUILD)/win64/bin

demo: win64
	@scripts/demo.sh $(BUILD)/win64

bench: win64 linux
	@bench/run.sh $(BUILD)/win64
	@bench/extract.sh $(BUILD)/win64 128
	@bench/extract.sh $(BUILD)/win64 512
	@bench/progress.sh $(BUILD)/win64
	@bench/native.sh $(BUILD)/linux

# build/dist: both program folders as zips, the 32-bit program packaged by
# itself as Packforge-<version>-setup.exe, and SHA256SUMS.
dist: win64 win32
	@scripts/dist.sh $(BUILD)

screenshots: win64
	@scripts/with-display.sh scripts/screenshots.sh $(BUILD)/win64

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
