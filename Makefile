# The two set-up commands of the README: `make play` and `make test`. Both
# install what is missing first (scripts/setup-deps, idempotent).

BUILD        ?= build
FUZZ_BUILD   ?= build-fuzz
ASAN_BUILD   ?= build-asan
BUILD_TYPE   ?= RelWithDebInfo
JOBS         ?= $(shell nproc)
FUZZ_SECONDS ?= 300
DISC         ?= $(BUILD)/disc
PREFIX       ?= /usr/local

.PHONY: play test build deps fuzz fuzz-build fuzz-smoke asan bench disc install uninstall clean

deps:
	@scripts/setup-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DTRIVION_ASAN_SHELL=$(abspath $(ASAN_BUILD))/src/shell/trivion > /dev/null
	cmake --build $(BUILD) -j $(JOBS)

# The shell built with AddressSanitizer, which the tests close under a modal
# dialog and drive through whole games.
asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRIVION_ASAN=ON > /dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target trivion

# The demo disc the shell runs on: built from content/ into $(DISC) (only what
# changed since the last build), with the executable beside it.
disc: build
	$(BUILD)/tools/disc/trivion-disc build content $(DISC)
	cp $(BUILD)/src/shell/trivion $(DISC)/trivion

# The shell on the demo disc, with a score server for it on loopback.
play: disc
	scripts/play $(BUILD) $(DISC)

# The shell, the score server and the demo disc under PREFIX (default
# /usr/local); `make uninstall` removes what the last install wrote.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

uninstall:
	scripts/uninstall $(BUILD)/install_manifest.txt

fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DTRIVION_FUZZ=ON > /dev/null
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Every fuzzer for FUZZ_SECONDS (default 300) on its seed corpus.
fuzz: fuzz-build
	scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Every fuzzer briefly: 15 s each keeps the whole run within a few minutes.
fuzz-smoke: fuzz-build
	scripts/run-fuzzers $(FUZZ_BUILD) 15

# Fuzzers first, so that the last thing printed is the test summary.
test: build asan fuzz-smoke
	cd $(BUILD) && ctest --output-on-failure -j 2

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(ASAN_BUILD)
