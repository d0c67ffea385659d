# `make run` sets up, builds and opens Tessaly on a bundled sample index.dat.
# `make test` sets up, builds and runs every test, then runs them again under
# AddressSanitizer and UndefinedBehaviorSanitizer.

BUILD      ?= build
BUILD_ASAN ?= build-asan
JOBS       ?= $(shell nproc)
SAMPLE     := $(BUILD)/sample/index.dat

# Debian packages the build, the tests and the window need.
PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev \
            libgtest-dev libgmock-dev xvfb xauth xdotool imagemagick \
            fonts-dejavu-core

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build run test test-fast test-asan bench clean

deps:
	@missing=""; for p in $(PACKAGES); do \
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

test-fast: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=address,undefined
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

test: test-fast test-asan

bench: build
	bench/run_all.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN)
