# `make run` sets up, builds and opens Tessaly on a bundled sample index.dat.
# `make test` sets up, builds and runs every test, then runs them again under
# AddressSanitizer and UndefinedBehaviorSanitizer, runs the worker-thread paths
# under ThreadSanitizer and each fuzz target for a minute, and builds and tests
# Release builds with GCC and clang.
# `make windows` cross-builds the Windows side (platform layer, core, the CLI
# and their tests) with MinGW-w64 and runs the tests under Wine; `make test`
# runs it last.
# `make package` builds tessaly_<version>_<arch>.deb in $(BUILD_RELEASE_GCC).
#
# Every build folder is one of the presets in CMakePresets.json (warnings are
# errors in all of them); BUILD* below only move a preset's folder.

BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
BUILD_FUZZ ?= build-fuzz
BUILD_RELEASE_GCC   ?= build-release-gcc
BUILD_RELEASE_CLANG ?= build-release-clang
BUILD_WINDOWS ?= build-windows
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
SAMPLE     := $(BUILD)/sample/index.dat

# Debian packages the build and the window need; the tests need a few more
# (a headless browser for the exported page, an X server for screenshots,
# clang and its runtime for the fuzz targets and the clang Release build, the
# format library's Python binding as the records reader's oracle, and the
# Debian tools that check the package, the desktop entry, the metainfo, the
# manual pages and the bash completion).
PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev \
            libgtest-dev libgmock-dev fonts-dejavu-core ccache
PACKAGE_PACKAGES := dpkg-dev file
# The Windows cross-build: the compiler, GoogleTest's sources and Wine.
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix googletest wine64
TEST_PACKAGES := xvfb xauth xdotool imagemagick chromium clang libclang-rt-14-dev \
                 $(PACKAGE_PACKAGES) lintian desktop-file-utils appstream man-db bash-completion \
                 python3-libmsiecf $(WINDOWS_PACKAGES)
# data/icons/render.sh renders the icon's PNGs from its SVG.
ICON_PACKAGES := librsvg2-bin
# The benchmarks measure against ripgrep, GNU find, msiecfexport and pasco.
BENCH_PACKAGES := ripgrep hyperfine time findutils libmsiecf-utils pasco

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps test-deps install-packages build run test test-fast test-asan test-tsan fuzz-smoke \
        test-release windows package icons bench clean

deps:
	@$(MAKE) --no-print-directory install-packages WANT="$(PACKAGES)"

test-deps:
	@$(MAKE) --no-print-directory install-packages WANT="$(PACKAGES) $(TEST_PACKAGES)"

install-packages:
	@missing=""; for p in $(WANT); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

$(BUILD)/build.ninja:
	cmake --preset default -B $(BUILD)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

$(SAMPLE): build
	@mkdir -p $(dir $(SAMPLE))
	$(BUILD)/tests/tessaly-sample $(SAMPLE)

run: build $(SAMPLE)
	$(BUILD)/src/gui/tessaly "$(abspath $(SAMPLE))"

test-fast: test-deps build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: test-deps
	cmake --preset asan -B $(BUILD_ASAN)
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

# The walk, the scan and the stop flag run on worker threads: the core tests,
# among them a walk and a scan stopped from another thread, under
# ThreadSanitizer (the 4 GiB scan is left to the plain build). The window's
# tests are not run here: Qt is not instrumented, so every hand-over through
# its event queue shows up as a race.
test-tsan: test-deps
	cmake --preset tsan -B $(BUILD_TSAN)
	cmake --build $(BUILD_TSAN) -j $(JOBS) --target tessaly_core_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  $(BUILD_TSAN)/tests/tessaly_core_tests --gtest_filter=-Scanner.PositionsPastFourGibibytes

# Every fuzz target for FUZZ_SECONDS from its seed corpus.
fuzz-smoke: test-deps
	cmake --preset fuzz -B $(BUILD_FUZZ)
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target tessaly_fuzz_targets
	fuzz/run_all.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

# Release builds, hardened as the package is, with GCC and with clang: core,
# CLI, window and benchmarks build with warnings as errors, and the tests
# pass; the package and the screenshots, made from the GCC build that
# `make package` uses, are not made again from the clang one.
test-release: test-deps
	cmake --preset release-gcc -B $(BUILD_RELEASE_GCC)
	cmake --build $(BUILD_RELEASE_GCC) -j $(JOBS)
	ctest --test-dir $(BUILD_RELEASE_GCC) --output-on-failure -j $(JOBS)
	cmake --preset release-clang -B $(BUILD_RELEASE_CLANG)
	cmake --build $(BUILD_RELEASE_CLANG) -j $(JOBS)
	ctest --test-dir $(BUILD_RELEASE_CLANG) --output-on-failure -j $(JOBS) -E '^(package_deb|window_screenshots)$$'

test: test-fast test-asan test-tsan fuzz-smoke test-release windows

# The Windows build and its tests under Wine: quietly (WINEDEBUG=-all), and
# without the offers to install Mono and Gecko that a new Wine prefix makes.
# The Linux build gives the outputs tessaly-cli.exe must match.
windows: build
	@$(MAKE) --no-print-directory install-packages WANT="$(WINDOWS_PACKAGES)"
	cmake --preset windows -B $(BUILD_WINDOWS) -DTESSALY_LINUX_BUILD=$(abspath $(BUILD))
	cmake --build $(BUILD_WINDOWS) -j $(JOBS)
	WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
	  ctest --test-dir $(BUILD_WINDOWS) --output-on-failure -j $(JOBS)

package: deps
	@$(MAKE) --no-print-directory install-packages WANT="$(PACKAGE_PACKAGES)"
	cmake --preset release-gcc -B $(BUILD_RELEASE_GCC)
	cmake --build $(BUILD_RELEASE_GCC) -j $(JOBS) --target package
	@ls $(BUILD_RELEASE_GCC)/tessaly_*.deb

icons:
	@$(MAKE) --no-print-directory install-packages WANT="$(ICON_PACKAGES)"
	data/icons/render.sh

bench: build
	@$(MAKE) --no-print-directory install-packages WANT="$(BENCH_PACKAGES)"
	bench/run_all.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_FUZZ) $(BUILD_RELEASE_GCC) $(BUILD_RELEASE_CLANG) \
	  $(BUILD_WINDOWS)
