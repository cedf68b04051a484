# The two commands of the README:
#   make run    build the pet and start it on the current display
#   make test   build both platforms and run every test
# and a few more for people who work on Pomfy:
#   make build     the Linux programs (build/linux)
#   make windows   build/windows/pomfy.exe
#   make bench     benchmarks and performance figures (prints, never fails on a slow machine)
#   make previews  the contact sheet and the animated previews in docs/
#   make package   the .deb, the .rpm and the Windows .zip
#   make clean

CMAKE ?= cmake
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test build windows deps deps-all asan tsan bench previews package clean

deps:
	@scripts/install-deps

deps-all:
	@scripts/install-deps --all

build: deps
	@$(CMAKE) --preset linux >/dev/null
	@$(CMAKE) --build --preset linux -j $(JOBS) --target pomfy

run:
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then echo "make run: no display (neither WAYLAND_DISPLAY nor DISPLAY is set); start Pomfy from a desktop session." >&2; exit 1; fi
	@$(MAKE) --no-print-directory build
	build/linux/pomfy

windows: deps-all
	@$(CMAKE) --preset windows >/dev/null
	@$(CMAKE) --build --preset windows -j $(JOBS)

asan: deps-all
	@$(CMAKE) --preset asan >/dev/null
	@$(CMAKE) --build --preset asan -j $(JOBS)

tsan: deps-all
	@$(CMAKE) --preset tsan >/dev/null
	@$(CMAKE) --build --preset tsan -j $(JOBS)

test: deps-all
	@$(CMAKE) --preset linux >/dev/null
	@$(CMAKE) --build --preset linux -j $(JOBS)
	@$(CMAKE) --preset asan >/dev/null
	@$(CMAKE) --build --preset asan -j $(JOBS)
	@$(CMAKE) --preset tsan >/dev/null
	@$(CMAKE) --build --preset tsan -j $(JOBS)
	@$(CMAKE) --preset windows >/dev/null
	@$(CMAKE) --build --preset windows -j $(JOBS)
	scripts/run-tests

# Figures only: CPU and memory against the reference figure, script fidelity, the parts
# benchmarks. About four minutes. BENCH_BASE=path/to/an/older/pomfy measures that program beside
# this one, at the same time.
bench: deps-all
	@$(CMAKE) --preset linux >/dev/null
	@$(CMAKE) --build --preset linux -j $(JOBS)
	scripts/bench

previews: deps-all
	@$(CMAKE) --preset linux >/dev/null
	@$(CMAKE) --build --preset linux -j $(JOBS) --target pomfy-preview pomfy-sheets pomfy pomfy-xprobe
	scripts/previews

# build/packages/: pomfy_VERSION_ARCH.deb, pomfy-VERSION-1.ARCH.rpm and
# pomfy-VERSION-windows-x64.zip
package: deps-all
	@$(CMAKE) --preset linux >/dev/null
	@$(CMAKE) --build --preset linux -j $(JOBS) --target pomfy pomfy-docs
	@$(CMAKE) --preset windows >/dev/null
	@$(CMAKE) --build --preset windows -j $(JOBS) --target pomfy
	cpack --config build/linux/CPackConfig.cmake -B build/packages
	cpack --config build/windows/CPackConfig.cmake -B build/packages
	@rm -rf build/packages/_CPack_Packages
	@ls -l build/packages/*.deb build/packages/*.rpm build/packages/*.zip

clean:
	rm -rf build
