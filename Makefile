# `make run` sets up, builds and opens Tessaly on a bundled sample index.dat.
# `make test` sets up, builds and runs every test, then runs them again under
# AddressSanitizer and UndefinedBehaviorSanitizer.

BUILD      ?= build
BUILD_ASAN ?= build-asan
JOBS       ?= $(shell nproc)
SAMPLE     := $(BUILD)/sample/index.dat

# Debian packages the build and the window need; the tests need a few more
# (a headless browser for the exported page, an X server for screenshots).
PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev \
            libgtest-dev libgmock-dev fonts-dejavu-core
TEST_PACKAGES := xvfb xauth xdotool imagemagick chromium

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps test-deps install-packages build run test test-fast test-asan bench clean

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
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

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
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=address,undefined
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

test: test-fast test-asan

bench: build
	bench/run_all.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN)
