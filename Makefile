# Thin wrapper over CMake presets: `make test` is what CI runs, `make run` starts the app.
JOBS ?= 2

.PHONY: all deps build test run package package-check bench bench-wine soak fuzz test-asan test-windows windows format lint tidy clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

test: build
	ctest --preset default -j $(JOBS)

run: build
	bash scripts/run.sh

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

package: build
	cmake --build --preset default --target package
	@ls build/varnixpos_*.deb

# Installs the package into a fresh Debian (debootstrap, cached in build-pkgcheck/) and runs it.
package-check: package
	bash scripts/package-check.sh build/varnixpos_*.deb

bench: build
	python3 bench/bench.py
	python3 bench/history.py

# The Windows build's pickup latency under Wine (after make test-windows has built it).
bench-wine: build
	python3 bench/wine_pickup.py

# Not part of make test: about 20 minutes of the real resident process and simulator, then about
# 13 more of the fault phases (undeletable file, kills, two residents, slow writers, rewrites, 1 GB,
# the command folder deleted under a resident, two registers on one data folder, a full journal
# disk, the same bytes rewritten, two payments in a killed file). SOAK_PHASES picks some of them.
SOAK_COMMANDS ?= 1000
soak: build
	SOAK_COMMANDS=$(SOAK_COMMANDS) python3 bench/soak.py
	python3 bench/soak_faults.py

# Each fuzz target for FUZZ_SECONDS, starting from its seed corpus; new inputs go to build-fuzz/corpus,
# a crashing one to build-fuzz/findings.
# A command file longer than 1 KB adds only more of the same lines, and slows the search.
FUZZ_SECONDS ?= 600
FUZZ_TARGETS = dispatcher config params registry answer request testset
FUZZ_FLAGS_dispatcher = -max_len=1024
fuzz:
	@bash scripts/install-deps.sh fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	$(foreach t,$(FUZZ_TARGETS),mkdir -p build-fuzz/corpus/$(t) build-fuzz/findings && \
	  build-fuzz/bin/fuzz_$(t) -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -print_final_stats=1 -artifact_prefix=build-fuzz/findings/$(t)- $(FUZZ_FLAGS_$(t)) \
	    build-fuzz/corpus/$(t) fuzz/corpus/$(t) && ) true

test-windows:
	bash scripts/test-windows.sh

# The Windows programs for 32- and 64-bit Windows, as folders and zips in build-windows/.
windows:
	bash scripts/windows.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# The Win32 sources are checked by the MinGW build; clang-tidy here sees the POSIX build only.
tidy: build
	git ls-files 'src/*.cpp' 'tests/*.cpp' 'terminal-lib/*.cpp' 'simulator/*.cpp' 'fuzz/*.cpp' | grep -v '/win32/' | xargs -P $(JOBS) -n 8 clang-tidy -p build --quiet 2>&1 | { ! grep -E '(warning|error):'; }

lint: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
	$(MAKE) tidy

clean:
	rm -rf build build-asan build-mingw64 build-mingw32 build-windows build-fuzz
