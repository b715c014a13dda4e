# Entry points. `make test` is what CI runs.
SHELL := /bin/bash
.PHONY: setup build build-windows build-windows64 build-host test test-host test-windows test-windows64 \
	test-wine10 demo run release bench lint clean

# The 32-bit exe runs where this machine can run 32-bit programs (cmake/wine-env.sh).
CAN_RUN_WIN32 = cmake/brim-wine --can-run-win32

setup:
	@bash scripts/setup.sh

build-windows: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows

build-windows64: setup
	@cmake --preset windows64 >/dev/null
	@cmake --build --preset windows64

build-host: setup
	@cmake --preset host >/dev/null
	@cmake --build --preset host

build: build-windows build-windows64 build-host

test-host: build-host
	@ctest --preset host

# Where 32-bit programs can't run, the 32-bit build's runtime tests show as
# skipped; its static checks (imports, header, resources, reproducibility) run.
test-windows: build-windows
	@ctest --preset windows
	@$(CAN_RUN_WIN32) || echo "make test: skipped every runtime test of the 32-bit exe (shown as Skipped above): $$(cmake/brim-wine --win32-reason)"

test-windows64: build-windows64
	@ctest --preset windows64

test: build-host build-windows build-windows64
	@ctest --preset host
	@ctest --preset windows64
	@$(MAKE) --no-print-directory test-windows

# The windows and windows64 suites again under Wine 10, a second Win32
# implementation, from a Debian 13 chroot that scripts/wine10.sh makes and
# keeps under ~/.cache/brimsweep (root; skipped, with one line, where the
# Debian archive can't be reached).
test-wine10: build-windows build-windows64
	@bash scripts/wine10.sh

# The program cleaning a sample drive under Wine, typed into as a person would
# (builds only what it needs; see scripts/demo.py).
demo: setup
	@python3 scripts/demo.py

# Starts the program under the user's own Wine prefix: the 32-bit exe where it
# can run, else the 64-bit one.
run: setup
	@if $(CAN_RUN_WIN32); then \
	  echo "run: the 32-bit exe, the product, as this machine runs 32-bit programs"; \
	  $(MAKE) --no-print-directory build-windows && cmake/brim-wine "build/windows/src/app/Brimsweep 1.8.exe"; \
	else \
	  echo "run: the 64-bit exe, as $$(cmake/brim-wine --win32-reason)"; \
	  $(MAKE) --no-print-directory build-windows64 && cmake/brim-wine "build/windows64/src/app/Brimsweep 1.8.exe"; \
	fi

# The shippable exes and their checksums: the 32-bit product and its console
# companion at the top, the 64-bit builds under x64/.
release: build-windows build-windows64
	@rm -rf dist && mkdir -p dist/x64
	@cp "build/windows/src/app/Brimsweep 1.8.exe" build/windows/src/app/brimsweep-cli.exe dist/
	@cp "build/windows64/src/app/Brimsweep 1.8.exe" build/windows64/src/app/brimsweep-cli.exe dist/x64/
	@cd dist && sha256sum "Brimsweep 1.8.exe" brimsweep-cli.exe "x64/Brimsweep 1.8.exe" x64/brimsweep-cli.exe > SHA256SUMS
	@cat dist/SHA256SUMS

# Our folder removal against the scripting runtime's DeleteFolder, then the
# whole run (Enter to "Finished") against a reference script, under Wine.
bench: setup
	@if $(CAN_RUN_WIN32); then b=windows; else b=windows64; \
	  echo "bench: the 64-bit exe, as $$(cmake/brim-wine --win32-reason)"; fi; \
	  $(MAKE) --no-print-directory build-$$b >/dev/null && python3 bench/run_bench.py build/$$b && \
	  python3 bench/whole_run_bench.py build/$$b --counts

# clang-format (check) and clang-tidy over every C++ source (not yet quiet, nor in CI).
lint: setup
	@bash scripts/lint.sh

clean:
	rm -rf build dist
