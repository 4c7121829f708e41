# make test     installs what is missing, builds, runs every test
# make run      builds and runs tarnwick-cli on this computer (Win32_OperatingSystem)
# make window   builds and opens the window; make screenshot renders it to build/tarnwick.png
# make format   formats the sources with the repository's .clang-format
BUILD ?= build
SAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test test-asan format clean run window screenshot

all: build

deps:
	@tools/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_WERROR=ON $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNWICK_WERROR=ON \
	  "-DTARNWICK_SANITIZE=address;undefined" -DTARNWICK_BUILD_GUI=ON $(CMAKE_FLAGS)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD)

# make run: builds the front ends, then opens the window when a display is set;
# otherwise shows how to use tarnwick-cli and runs it once against this computer.
.PHONY: run
run: deps configure
	cmake --build $(BUILD) -j $(JOBS) --target tarnwick-cli
	$(BUILD)/src/app/cli/tarnwick-cli "Select * FROM Win32_OperatingSystem"

window: deps configure
	cmake --build $(BUILD) -j $(JOBS) --target tarnwick
	$(BUILD)/src/app/window/tarnwick

screenshot: deps configure
	cmake --build $(BUILD) -j $(JOBS) --target tarnwick
	QT_QPA_PLATFORM=offscreen $(BUILD)/src/app/window/tarnwick --screenshot $(BUILD)/tarnwick.png --run
	@echo "Wrote $(BUILD)/tarnwick.png"

# make emulator   starts the WinRM emulator with demo data on [::1]:5985 (EMULATOR_PORT=...)
EMULATOR_PORT ?= 5985
.PHONY: emulator
emulator:
	/usr/bin/python3 tools/winrm-emulator/winrm_emulator.py --bind ::1 --port $(EMULATOR_PORT) --demo
