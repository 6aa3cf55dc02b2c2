# The two commands of the README, and the pieces they are made of.
NATIVE := build/native
ASAN   := build/native-asan
WIN32  := build/win32
JOBS   ?= $(shell nproc)

.PHONY: run test bench fuzz deps native asan win32 test-native test-asan test-win32 clean

run: deps win32
	scripts/run-program.sh $(WIN32)

test: deps native asan win32 test-native test-asan test-win32

bench: deps native win32
	cmake --build $(NATIVE) -j$(JOBS) --target bench_pipeline bench_mp3
	cmake --build $(WIN32) -j$(JOBS) --target bench_capture
	cmake --build $(WIN32) -j$(JOBS) --target bench_player
	$(NATIVE)/bench/bench_pipeline
	$(NATIVE)/bench/bench_mp3
	cmake --build $(NATIVE) -j$(JOBS) --target vtool
	scripts/bench-vtool.sh $(NATIVE)/tools/vtool $(NATIVE)/bench/vtool-work
	scripts/bench-mp3-instructions.sh $(NATIVE)/tools/vtool $(NATIVE)/bench/mp3-instructions
	VT_TESTENV_DIR=$(CURDIR)/$(WIN32)/benchenv scripts/wine-run.sh $(WIN32)/bench/bench_capture.exe
	VT_TESTENV_DIR=$(CURDIR)/$(WIN32)/benchenv scripts/wine-run.sh $(WIN32)/bench/bench_player.exe

# The file readers under libFuzzer, FUZZ_SECONDS each (WAV and AIFF, MP3, then tags); corpora
# and crash files stay in build/fuzz.
FUZZ_SECONDS ?= 120
fuzz: deps
	JOBS=$(JOBS) scripts/fuzz-readers.sh $(FUZZ_SECONDS)
	JOBS=$(JOBS) scripts/fuzz-mp3.sh $(FUZZ_SECONDS)
	JOBS=$(JOBS) scripts/fuzz-tags.sh $(FUZZ_SECONDS)

deps:
	scripts/install-deps.sh

native:
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(NATIVE) -j$(JOBS)

asan:
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DVT_SANITIZE=ON >/dev/null
	cmake --build $(ASAN) -j$(JOBS)

win32:
	cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(WIN32) -j$(JOBS)

test-native:
	ctest --test-dir $(NATIVE) --output-on-failure -j$(JOBS)

test-asan:
	ctest --test-dir $(ASAN) --output-on-failure -j$(JOBS)

test-win32:
	ctest --test-dir $(WIN32) --output-on-failure

clean:
	rm -rf build
