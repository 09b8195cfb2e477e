# The two commands of the README:
#   make run   install what is missing, build, stage the runtime tree, start KELVOview on the demo
#   make test  install what is missing, build, run every test on a private X display, then the
#              sanitizer build's tests
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: run test bench deps build

deps:
	bash tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	bash tools/run-viewer.sh $(BUILD_DIR)/dist

test: build
	bash tools/run-tests.sh $(BUILD_DIR)
	JOBS=$(JOBS) KELVO_CONTENT_FROM=$(BUILD_DIR)/dist bash tools/run-sanitizer-tests.sh build-asan

# Benchmarks (not part of the test suite): builds and runs every program under bench/.
bench: build
	cmake --build $(BUILD_DIR) -j$(JOBS) --target benchmarks
	bash tools/run-benchmarks.sh $(BUILD_DIR)

# Fuzzing (not part of the test suite): a separate clang build with libFuzzer, ASan and UBSan in
# $(FUZZ_BUILD_DIR); every fuzz target under fuzz/ runs for FUZZ_SECONDS and its executions and
# crashes are printed.
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: fuzz
fuzz: deps
	bash tools/install-fuzz-deps.sh
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_FUZZ=ON \
	  -DKELVO_BUILD_TESTS=OFF -DKELVO_BUILD_BENCHMARKS=OFF
	cmake --build $(FUZZ_BUILD_DIR) -j$(JOBS) --target fuzz_targets
	bash tools/run-fuzz.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

# Soak run (not part of the test suite): KELVOview on the demo world with water under its own Xvfb,
# random real input for SOAK_SECONDS (default 600); fails on a bad exit or resident-memory growth.
# SOAK_RASTERIZER_THREADS sets llvmpipe's rasterizer threads: a number (default 0, rasterizing in
# the drawing thread) or auto (llvmpipe's own choice, LP_NUM_THREADS unset).
.PHONY: soak
soak: build
	cmake --build $(BUILD_DIR) -j$(JOBS) --target kelvo_soak
	$(BUILD_DIR)/bench/soak/kelvo_soak

# Sanitizer run alone (the second half of `make test`): builds build-asan with AddressSanitizer,
# LeakSanitizer and UndefinedBehaviorSanitizer and runs the tests there (all but a sample of the
# end-to-end ones).
.PHONY: sanitize
sanitize: deps
	JOBS=$(JOBS) bash tools/run-sanitizer-tests.sh build-asan

# Line coverage of viewer/, ocean/ and plugins/ by the test suite (not part of `make test`): a Debug
# build with --coverage in $(COVERAGE_BUILD_DIR), the whole suite, then gcovr's summary (installed
# on first use).
COVERAGE_BUILD_DIR ?= build-coverage

.PHONY: coverage
coverage: deps
	JOBS=$(JOBS) bash tools/run-coverage.sh $(COVERAGE_BUILD_DIR)
