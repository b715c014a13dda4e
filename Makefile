# Entry points. `make test` is what CI runs.
SHELL := /bin/bash
.PHONY: setup build build-windows build-host test test-host test-windows demo run release bench clean

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

# The program cleaning a sample drive under Wine, typed into as a person would
# (builds only what it needs; see scripts/demo.py).
demo: setup
	@python3 scripts/demo.py

# Starts the program under the user's own Wine prefix.
run: build-windows
	@WINEDEBUG=-all wine "build/windows/src/app/Brimsweep 1.8.exe"

# The shippable exe and its checksum.
release: build-windows
	@rm -rf dist && mkdir -p dist
	@cp "build/windows/src/app/Brimsweep 1.8.exe" dist/
	@cd dist && sha256sum "Brimsweep 1.8.exe" > SHA256SUMS
	@echo "dist/Brimsweep 1.8.exe" && cat dist/SHA256SUMS

# Our folder removal against the scripting runtime's DeleteFolder, under Wine.
bench: build-windows
	@python3 bench/run_bench.py build/windows

clean:
	rm -rf build dist
