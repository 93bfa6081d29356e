# The two everyday commands: `make run` and `make test`. See README.md.
BUILD_DIR ?= build
SAN_DIR ?= build-sanitize
TSAN_DIR ?= build-tsan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: deps build run test test-sanitize test-tsan fuzz-build fuzz fuzz-smoke bench install format clean

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	  echo "No display found. To run Vantrel on a virtual display use:"; \
	  echo "  xvfb-run -a $(BUILD_DIR)/bin/vantrel"; \
	  exit 1; \
	fi
	$(BUILD_DIR)/bin/vantrel

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer; any report fails.
test-sanitize: deps
	cmake -S . -B $(SAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON
	cmake --build $(SAN_DIR) -j $(JOBS)
	cd $(SAN_DIR) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --output-on-failure -j $(JOBS)

# The tests whose threads share frames and scans (capture, scanning, the acquisition
# dialogs), built with ThreadSanitizer; any report fails.
test-tsan: deps
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_TSAN=ON
	cmake --build $(TSAN_DIR) -j $(JOBS) --target test_capture test_scanner test_acquisition
	cd $(TSAN_DIR) && QT_QPA_PLATFORM=offscreen \
	  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=$(CURDIR)/tests/tsan.supp \
	  ctest --output-on-failure -R 'test_capture|test_scanner|test_acquisition'

# The libFuzzer targets in fuzz/, built with clang (the core only) and their seed files.
fuzz-build: deps
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DVANTREL_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target vantrel_fuzzers
	fuzz/make-corpus $(FUZZ_DIR)/seeds

# Each target for FUZZ_SECONDS on its corpus after the regression inputs; fails on a finding.
# FUZZ_ARGS goes to libFuzzer (e.g. -fork=2), FUZZ_TARGETS picks targets. See README.md.
fuzz: fuzz-build
	FUZZ_TARGETS="$(FUZZ_TARGETS)" fuzz/run $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_ARGS)

# The short run CI makes: about a minute in all.
fuzz-smoke:
	$(MAKE) fuzz FUZZ_SECONDS=10

bench: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BENCH=ON
	cmake --build $(BUILD_DIR) -j $(JOBS)

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(SAN_DIR) $(TSAN_DIR)
