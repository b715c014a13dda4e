# Entry points. `make test` is what CI runs.
SHELL := /bin/bash
.PHONY: setup build build-windows build-host test test-host test-windows run bench clean

setup:
	@bash scripts/setup.sh

build-windows: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows

build-host: setup
	@cmake --preset host >/dev/null
	@cmake --build --preset host

build: build-windows build-host

test-host: build-host
	@ctest --preset host

test-windows: build-windows
	@ctest --preset windows

test: build-host build-windows
	@ctest --preset host && ctest --preset windows

# Starts the program under the user's own Wine prefix.
run: build-windows
	@WINEDEBUG=-all wine "build/windows/src/app/Brimsweep 1.8.exe"

# Our folder removal against the scripting runtime's DeleteFolder, under Wine.
bench: build-windows
	@python3 bench/run_bench.py build/windows

clean:
	rm -rf build dist
