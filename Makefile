# Front door: `make test`, `make run`. Both install what is missing first.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=

# Debian 12 packages the project needs to build, test, run and look at itself.
PACKAGES := cmake ninja-build g++ clang libpq-dev postgresql-15 libclang-rt-14-dev pkg-config qt6-base-dev qt6-serialport-dev \
            libgtest-dev libgmock-dev libbenchmark-dev clang-format \
            xvfb xauth x11-utils xdotool imagemagick fonts-wqy-microhei \
            dpkg-dev help2man lintian desktop-file-utils appstream \
            g++-mingw-w64-x86-64-posix wine64 googletest \
            nlohmann-json3-dev locales clang-tidy qt6-l10n-tools qt6-tools-dev qt6-translations-l10n \
            chromium tzdata libre2-dev libsqlite3-dev openbox time

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build test run run-line bench fuzz clean format lint package test-windows tsan

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "installing:" $$missing; \
	    $(SUDO) apt-get update -qq && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

# Configured afresh whenever BUILD_TYPE or CMAKE_FLAGS differ from the folder's last configure,
# so a build folder never silently keeps an older type or older options.
CONFIG_ARGS := -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ] || [ "$$(cat $(BUILD)/.configured-with 2>/dev/null)" != '$(CONFIG_ARGS)' ]; then \
	    echo "configuring $(BUILD): $(CONFIG_ARGS)"; \
	    cmake --fresh -S . -B $(BUILD) $(CONFIG_ARGS) && echo '$(CONFIG_ARGS)' > $(BUILD)/.configured-with; \
	fi

build: configure
	cmake --build $(BUILD)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300

run: build
	./scripts/run-main

# A throw-away line database, two stations forwarding to it, and the line's report.
run-line: build
	./scripts/run-line

bench: build
	$(BUILD)/bench/ctrlprog-bench
	$(BUILD)/bench/ctrlprog-window-bench
	$(BUILD)/bench/ctrlprog-memory
	$(BUILD)/bench/ctrlprog-memory window
	$(BUILD)/bench/ctrlprog-record-cost $(BUILD)
	$(BUILD)/bench/ctrlprog-record-stall 20 100

# The Qt-free core and its unit tests, cross-built for Windows with MinGW-w64 and run under wine.
test-windows: deps
	$(MAKE) build BUILD=build-windows BUILD_TYPE=Release \
	    CMAKE_FLAGS="-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCTRLPROG_CORE_ONLY=ON $(WINDOWS_FLAGS)"
	cd build-windows && ctest --output-on-failure --timeout 300

# ThreadSanitizer: the unit tests, and two ports of the console writing a record forwarded to a
# line database, in a build of their own.
tsan: deps
	$(MAKE) configure BUILD=build-tsan BUILD_TYPE=Debug \
	    CMAKE_FLAGS="-DCTRLPROG_TSAN=ON -DCTRLPROG_BUILD_BENCH=OFF -DCTRLPROG_WERROR=ON"
	cmake --build build-tsan --target ctrlprog-unit-tests ctrlprog-cli ctrlprog-devsim
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tests/ctrlprog-unit-tests
	TSAN_OPTIONS="halt_on_error=1" tests/linedb/two_ports_run.sh build-tsan/src/cli/ctrlprog-cli \
	    build-tsan/src/devsim/ctrlprog-devsim examples scripts/pg-server

# A Debian package of a release build, checked by lintian (errors fail; warnings are listed).
package: deps
	$(MAKE) build BUILD=build-package BUILD_TYPE=Release \
	    CMAKE_FLAGS="-DCTRLPROG_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr"
	rm -f build-package/ctrlprog_*.deb
	cd build-package && cpack -G DEB
	lintian --fail-on error build-package/ctrlprog_*.deb
	@ls build-package/ctrlprog_*.deb

# The format check and clang-tidy, on the build folder's compile commands.
lint: build
	./scripts/lint $(BUILD)

format:
	git ls-files --cached --others --exclude-standard '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-package build-windows

# Fuzz the parameter-file reader for FUZZ_SECONDS (default 60) with libFuzzer.
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake -S . -B fuzz-build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_COMPILER=clang++ -DCTRLPROG_FUZZ=ON
	cmake --build fuzz-build
	mkdir -p fuzz-build/corpus && cp fuzz/corpus/* fuzz-build/corpus/
	fuzz-build/fuzz/parameter_file_fuzz -max_total_time=$(FUZZ_SECONDS) fuzz-build/corpus
