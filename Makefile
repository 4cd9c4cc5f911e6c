# Thin wrapper over CMake presets: `make test` is what CI runs, `make run` starts the app.
JOBS ?= 2

.PHONY: all deps build test test-asan test-windows format tidy clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

test: build
	ctest --preset default -j $(JOBS)

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

test-windows:
	bash scripts/test-windows.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

tidy: build
	git ls-files 'src/*.cpp' 'tests/*.cpp' | grep -v '/win32/' | xargs clang-tidy -p build --quiet

clean:
	rm -rf build build-asan build-mingw
