# Thin wrapper over CMake presets: `make test` is what CI runs, `make run` starts the app.
JOBS ?= 2

.PHONY: all deps build test run test-asan test-windows format lint tidy clean

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

test-windows:
	bash scripts/test-windows.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# The Win32 sources are checked by the MinGW build; clang-tidy here sees the POSIX build only.
tidy: build
	git ls-files 'src/*.cpp' 'tests/*.cpp' 'terminal-lib/*.cpp' 'simulator/*.cpp' | grep -v '/win32/' | xargs -P $(JOBS) -n 8 clang-tidy -p build --quiet 2>&1 | { ! grep -E '(warning|error):'; }

lint: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
	$(MAKE) tidy

clean:
	rm -rf build build-asan build-mingw
