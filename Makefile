# make run   - build and start the dialer on a phone-sized virtual screen
# make test  - build and run every test through CTest under Wine and Xvfb
# make build - build only
# make fuzz  - build the fuzz targets natively with sanitizers and run each
#              for FUZZ_SECONDS (default 60)
# make bench - build the benchmarks and print their table (BENCH_RUNS, BENCH_IDLE_SECONDS, BENCH_MODES)
# make dist  - build the Windows setup program and portable zip with NSIS in
#              build/dist (zembrik-VERSION-setup.exe, zembrik-VERSION.zip)
# make device - build the phone's executable and its install file (ARM Windows CE)
#              in build-device, with the toolchain at CEGCC_PREFIX
# make arm-tests - build the text logic's unit tests for 32-bit ARM in $(BUILD)/arm
#              (make test runs them under qemu-arm)
# make fuzz-unsigned-char - build the fuzz targets with plain char unsigned in
#              $(BUILD)/fuzz-unsigned-char (make test runs each over its seeds)
# make install - install the dialer as a desktop application under PREFIX
#              (default /usr/local as root, ~/.local otherwise), staged under
#              DESTDIR when it is set; make uninstall removes what it installed
BUILD ?= build
DEVICE_BUILD ?= build-device
CEGCC_PREFIX ?= $(CURDIR)/.cache/arm-mingw32ce
SCREEN ?= 240x320
DPI ?= 96
PREFIX ?= $(if $(filter 0,$(shell id -u)),/usr/local,$(HOME)/.local)

.PHONY: all deps configure build dist run test fuzz arm-tests fuzz-unsigned-char bench device install uninstall \
	screenshots skin charsets icon clean

all: build

deps:
	@tools/install-deps.sh

# Two configurations of the one CMake description: the Windows program
# (MinGW-w64) and, in $(BUILD)/native, the programs that run on this machine.
configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DZEMBRIK_NATIVE_BUILD=$(abspath $(BUILD))/native \
		-DZEMBRIK_PHONE_BUILD=$(abspath $(DEVICE_BUILD)) -DCEGCC_PREFIX=$(CEGCC_PREFIX) \
		-DZEMBRIK_ARM_BUILD=$(abspath $(BUILD))/arm >/dev/null
	@cmake -S . -B $(BUILD)/native >/dev/null

build: configure
	@cmake --build $(BUILD) -j2
	@cmake --build $(BUILD)/native -j2

run: build
	@tools/run-dialer.sh $(BUILD) $(SCREEN) $(DPI)

dist: build
	@cmake --build $(BUILD) --target dist

test: build device dist arm-tests fuzz-unsigned-char
	@tools/run-tests.sh $(BUILD)

fuzz:
	@tools/run-fuzz.sh $(BUILD)

# The text logic's tests for 32-bit ARM, with plain char signed and a 2-byte
# wchar_t as on the phone: make test runs them under qemu-arm.
arm-tests: deps
	@cmake -S . -B $(BUILD)/arm -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabihf.cmake >/dev/null
	@cmake --build $(BUILD)/arm -j2

# The fuzz targets with plain char unsigned, warnings as errors: make test
# runs each over its seeds.
fuzz-unsigned-char: deps
	@FUZZ_CHAR=unsigned FUZZ_BUILD_ONLY=1 tools/run-fuzz.sh $(BUILD)

bench: build
	@cmake --build $(BUILD) -j2 --target zembrik_bench
	@tools/run-bench.sh $(BUILD)

device: deps
	@tools/device-toolchain.sh $(CEGCC_PREFIX)
	@cmake -S . -B $(DEVICE_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/arm-mingw32ce.cmake -DCEGCC_PREFIX=$(CEGCC_PREFIX) >/dev/null
	@cmake --build $(DEVICE_BUILD) -j2

install: build
	@DESTDIR="$(DESTDIR)" packaging/install.sh install "$(BUILD)" "$(PREFIX)"

uninstall:
	@DESTDIR="$(DESTDIR)" packaging/install.sh uninstall "$(BUILD)" "$(PREFIX)"

# The README's pictures, remade from the current build.
screenshots: build
	@mkdir -p docs
	@tools/screenshot.sh $(BUILD) 240x320 96 docs/qvga-portrait.png
	@tools/screenshot.sh $(BUILD) 480x640 192 docs/vga-portrait.png
	@tools/screenshot.sh $(BUILD) 320x240 96 docs/qvga-landscape.png
	@tools/screenshot.sh $(BUILD) 240x320 96 docs/settings-qvga-portrait.png ZembrikSettings.exe
	@tools/screenshot.sh $(BUILD) 480x640 192 docs/settings-vga-portrait.png ZembrikSettings.exe
	@tools/screenshot.sh $(BUILD) 320x240 96 docs/settings-qvga-landscape.png ZembrikSettings.exe

# Redraws the skin from its generator.
skin: configure
	@cmake --build $(BUILD)/native --target make_skin
	@$(BUILD)/native/make_skin skins/default.png

# Rewrites the vCard reader's charset tables from the glibc charmaps (Debian
# package locales).
charsets:
	@python3 tools/make_charsets.py platform/vcard_charsets.inc

# Redraws the application icon: the Windows icon file and the Linux desktop's
# sizes in the hicolor theme's layout.
icon: configure
	@cmake --build $(BUILD)/native --target make_icon
	@$(BUILD)/native/make_icon packaging/icons

clean:
	rm -rf $(BUILD)
