# The two commands of the README, and the pieces they are made of.
NATIVE := build/native
ASAN   := build/native-asan
WIN32  := build/win32
JOBS   ?= $(shell nproc)

.PHONY: run test bench fuzz deps native asan win32 test-native test-asan test-win32 clean dist

run: deps win32
	scripts/run-program.sh $(WIN32)

test: deps native asan win32 test-native test-asan test-win32

bench: deps native win32
	cmake --build $(NATIVE) -j$(JOBS) --target bench_pipeline bench_mp3 mp3_decode_only vtool
	cmake --build $(WIN32) -j$(JOBS) --target bench_capture bench_mp3
	scripts/bench-table.sh $(NATIVE) $(WIN32)
	cmake --build $(WIN32) -j$(JOBS) --target bench_player
	VT_TESTENV_DIR=$(CURDIR)/$(WIN32)/benchenv scripts/wine-run.sh $(WIN32)/bench/bench_player.exe

# The file readers under libFuzzer, FUZZ_SECONDS each (WAV and AIFF, MP3, tags), then the
# conversion and playback chains over them; corpora and crash files stay in build/fuzz.
FUZZ_SECONDS ?= 120
fuzz: deps
	JOBS=$(JOBS) scripts/fuzz-readers.sh $(FUZZ_SECONDS)
	JOBS=$(JOBS) scripts/fuzz-mp3.sh $(FUZZ_SECONDS)
	JOBS=$(JOBS) scripts/fuzz-tags.sh $(FUZZ_SECONDS)
	JOBS=$(JOBS) scripts/fuzz-chains.sh $(FUZZ_SECONDS)

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

# The installer: the program image with app.hlp, the encoder and the HTML help pages'
# bundle appended, their sizes, checksum and the installer marker (tools/make_setup.cpp);
# the help file and the pages come from one text source (scripts/make_help.py, built
# beside the program). The name holds
# SETUP, which start-up lets run only with the installer marker.
DIST := build/dist
dist: deps
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(NATIVE) -j$(JOBS) --target make_setup
	cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(WIN32) -j$(JOBS) --target vocatrack app_help mp3enc
	mkdir -p $(DIST)
	$(NATIVE)/tools/make_setup $(DIST)/vocatrack-setup.exe $(WIN32)/app/vocatrack.exe $(WIN32)/app/app.hlp \
	  $(WIN32)/mp3enc/mp3enc.exe $(WIN32)/app/aide.pak
	@echo "installer: $(DIST)/vocatrack-setup.exe"
