# Two commands do everything on a fresh Debian machine: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 120

.PHONY: deps configure build run test test-unit test-asan bench fuzz screenshot clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=ON -DQUORVANE_BENCH=ON >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	cd data && ../$(BUILD)/quorvane

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_SANITIZE=ON -DQUORVANE_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest -L unit --output-on-failure -j $(JOBS)

test: build test-asan
	cd $(BUILD) && ctest --output-on-failure

bench: build
	@bash scripts/run-benchmarks.sh $(BUILD)

fuzz: deps
	@CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQUORVANE_FUZZ=ON -DQUORVANE_TESTS=OFF -DQUORVANE_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@bash scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

screenshot: build
	@bash tools/screenshot.sh $(BUILD) docs/screenshot.png

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
