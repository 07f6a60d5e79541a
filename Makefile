# Lyravox: `make run` starts the player on its demo playlist, `make test` runs every test.
JOBS    ?= $(shell nproc)
BUILD   ?= build
ASAN    := $(BUILD)/asan
TSAN    := $(BUILD)/tsan
FUZZ    := $(BUILD)/fuzz
PKG     := $(BUILD)/package
FUZZ_SECONDS ?= 20
CMAKE_FLAGS ?=

.PHONY: all deps build run package test test-asan test-tsan fuzz check-options bench format format-check clean

all: build

deps:
	@tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

# Only the player and what it runs (the demo song); the tests are built by `make test`.
run: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS) --target lyravox demo_song
	@tools/run-lyravox.sh $(BUILD)/bin/lyravox $(ARGS)

# A Debian package of the player, the effect library and lyravox-fx: $(PKG)/lyravox_*.deb.
package: deps
	cmake -S . -B $(PKG) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DLYRAVOX_BUILD_TESTS=OFF -DLYRAVOX_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(PKG) -j $(JOBS)
	cd $(PKG) && cpack -G DEB

test: deps check-options test-asan test-tsan fuzz

test-asan:
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLYRAVOX_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN) -j $(JOBS)
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest -j $(JOBS) --output-on-failure

# The effect control's threads under ThreadSanitizer (no Qt: it is not built for TSan).
test-tsan:
	cmake -S . -B $(TSAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLYRAVOX_TSAN=ON -DLYRAVOX_BUILD_PLAYER=OFF -DLYRAVOX_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(TSAN) -j $(JOBS)
	cd $(TSAN) && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest -j $(JOBS) -L effect --output-on-failure

# Short libFuzzer runs of every parser of files and network answers.
fuzz:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLYRAVOX_FUZZ=ON -DLYRAVOX_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ) -j $(JOBS) --target fuzzers
	tools/run-fuzzers.sh $(FUZZ)/bin $(FUZZ_SECONDS)

# Every documented option combination configures; the effect control alone builds.
check-options:
	tools/check-build-options.sh $(BUILD)/options

bench: deps
	LYRAVOX_BENCH_TOOLS=1 tools/install-deps.sh
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	bench/run-all.sh $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD)
