# make run   - install what is missing, build, run the demo
# make test  - install what is missing, check the layers, build and run every test, plain, under
#              ASan+UBSan and (the concurrent and stress tests) under TSan
# make fuzz  - build the libFuzzer harnesses with clang and run each for FUZZ_SECONDS
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: deps build run test test-plain test-asan test-tsan check-layers fuzz bench clean

deps:
	@bash scripts/deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

run: build
	bash scripts/run-demo.sh $(BUILD)

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=address -DTESSALY_BENCHMARKS=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS)

# Only the tests named *Concurrent* / *Stress* run under ThreadSanitizer.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=thread -DTESSALY_BENCHMARKS=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS) -R 'Concurrent|Stress'

# Each folder's includes against the layers, <wx/...> only in wx folders, no stand-in or testing
# folder in production code.
check-layers:
	python3 scripts/check_layers.py --self-test
	python3 scripts/check_layers.py

test: check-layers test-plain test-asan test-tsan

# New inputs stay in the build tree; a crash lands in fuzz/corpus/<harness>/, so the replay
# tests of `make test` keep it fixed.
fuzz:
	@bash scripts/deps.sh fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_SANITIZE=fuzzer -DTESSALY_BENCHMARKS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target tessaly_fuzzers
	bash scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Runs every benchmark (each family in its own process, medians over BENCH_REPS repetitions)
# and prints the table the README shows.
BENCH_REPS ?= 5
bench: build
	BENCH_REPS=$(BENCH_REPS) bash scripts/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
