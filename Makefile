# Thin front end over CMake: three build trees, one per target.
#   build/host   native Linux build: portable code, diskset, their tests
#   build/win64  x86_64-w64-mingw32: the product and every Windows test (run under Wine)
#   build/win32  i686-w64-mingw32: the shipped 32-bit product and the same tests, run under
#                the 32-bit Wine of an i386 Debian tree (scripts/i386-tree.sh, made once per machine)

BUILD   ?= build
JOBS    ?= $(shell nproc)
CONFIG  ?= RelWithDebInfo
# The code builds without warnings; keep it so.
WERROR  ?= ON

HOST  := $(BUILD)/host
WIN64 := $(BUILD)/win64
WIN32 := $(BUILD)/win32

.PHONY: all deps configure build test test-full demo demo-gui bench fuzz fuzz-campaign fuzz-build screenshots killtest clean

all: build

deps:
	@scripts/install-deps.sh

$(HOST)/CMakeCache.txt:
	cmake -S . -B $(HOST) -DCMAKE_BUILD_TYPE=$(CONFIG) -DPELTO_WERROR=$(WERROR)

# The Windows trees' end-to-end tests take diskette images from the native diskset.
HOST_DISKSET = -DPELTO_HOST_DISKSET=$(abspath $(HOST))/tools/diskset/diskset

$(WIN64)/CMakeCache.txt:
	cmake -S . -B $(WIN64) -DCMAKE_BUILD_TYPE=$(CONFIG) -DPELTO_WERROR=$(WERROR) $(HOST_DISKSET) \
	      -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake

$(WIN32)/CMakeCache.txt:
	cmake -S . -B $(WIN32) -DCMAKE_BUILD_TYPE=$(CONFIG) -DPELTO_WERROR=$(WERROR) $(HOST_DISKSET) \
	      -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake

configure: $(HOST)/CMakeCache.txt $(WIN64)/CMakeCache.txt $(WIN32)/CMakeCache.txt

build: deps configure
	cmake --build $(HOST) -j $(JOBS)
	cmake --build $(WIN64) -j $(JOBS)
	cmake --build $(WIN32) -j $(JOBS)
	@scripts/check-imports.sh $(WIN64) $(WIN32)
	@scripts/check-layers.sh

test: build
	@scripts/run-tests.sh $(HOST) $(WIN64) $(WIN32)

# Everything make test runs, and the kill test at KILL_POINTS points on both builds.
test-full: test killtest

demo: build
	@scripts/demo.sh $(HOST) $(WIN64)

# The same installation and removal on your display, answered by you.
demo-gui: build
	@scripts/demo.sh --gui $(HOST) $(WIN64)

# BENCH_RUNS rounds of the whole installation (fewer at 250 and 4,000 files).
BENCH_RUNS ?= 5
bench: deps $(HOST)/CMakeCache.txt $(WIN64)/CMakeCache.txt
	@scripts/install-deps.sh bench
	cmake --build $(HOST) -j $(JOBS) --target archive_bench diskset bench_product
	cmake --build $(WIN64) -j $(JOBS) --target install_exe profile_writes
	$(HOST)/bench/archive_bench
	@scripts/bench.sh $(HOST) $(WIN64) $(BUILD)/bench $(BENCH_RUNS)

FUZZ_SECONDS ?= 60
fuzz: fuzz-build
	@scripts/run-fuzz.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

# The long campaign: FUZZ_RUNS executions of each target.
FUZZ_RUNS ?= 1000000
fuzz-campaign: fuzz-build
	@FUZZ_RUNS=$(FUZZ_RUNS) scripts/run-fuzz.sh $(BUILD)/fuzz 0

fuzz-build: deps
	cmake -S . -B $(BUILD)/fuzz -DCMAKE_BUILD_TYPE=Debug -DPELTO_FUZZ=ON -DPELTO_BUILD_TESTS=OFF \
	      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(BUILD)/fuzz -j $(JOBS) --target archive_fuzz fields_fuzz layout_fuzz image_fuzz

# The setup process killed at KILL_POINTS points of a copy over an older
# installation (make test kills it at 5).
KILL_POINTS ?= 24
# Both builds; the 32-bit one where this machine runs it (scripts/i386-tree.sh).
killtest: build
	python3 tests/faults/kill_run.py --wine-run $(WIN64)/wine-run --prefix $(WIN64)/wineprefix \
	        --install-exe $(WIN64)/src/app/INSTALL.EXE --diskset-exe $(WIN64)/tools/diskset/diskset.exe \
	        --points $(KILL_POINTS)
	@if scripts/i386-tree.sh ensure >/dev/null; then \
	    python3 tests/faults/kill_run.py --wine-run $(WIN32)/wine-run32 --prefix $(WIN32)/wineprefix \
	        --install-exe $(WIN32)/src/app/INSTALL.EXE --diskset-exe $(WIN32)/tools/diskset/diskset.exe \
	        --points $(KILL_POINTS); \
	else echo "killtest: the 32-bit build is skipped"; fi

screenshots: build
	@scripts/screenshots.sh $(WIN64) $(BUILD)/screenshots

clean:
	rm -rf $(BUILD)
