# make run   - build and start the dialer on a phone-sized virtual screen
# make test  - build and run every test through CTest under Wine and Xvfb
# make build - build only
BUILD ?= build
SCREEN ?= 240x320
DPI ?= 96

.PHONY: all deps configure build run test clean

all: build

deps:
	@tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null

build: configure
	@cmake --build $(BUILD) -j2

run: build
	@tools/run-dialer.sh $(BUILD) $(SCREEN) $(DPI)

test: build
	@tools/run-tests.sh $(BUILD)

clean:
	rm -rf $(BUILD)
