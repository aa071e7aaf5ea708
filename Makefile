# Two commands do everything on a fresh Debian 12 machine:
#   make run    install what is missing, build, start Vellacor
#   make test   install what is missing, build, run every test
#   make install  install the program, its libraries and its desktop files
#                 under PREFIX (default /usr/local); DESTDIR is honoured
#   make package  the Debian package (build/vellacor_VERSION_ARCH.deb)

BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD?= build-bench
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=
PREFIX     ?= /usr/local
DESTDIR    ?=

.PHONY: all deps build run test test-asan bench fuzz clean install package

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display: starting Vellacor offscreen and writing its window to vellacor-screenshot.png"; \
	  QT_QPA_PLATFORM=offscreen $(BUILD)/bin/vellacor --screenshot vellacor-screenshot.png; \
	else \
	  $(BUILD)/bin/vellacor; \
	fi

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package of everything `make install` puts in place, for
# `apt install ./vellacor_*.deb`.
package: build
	cd $(BUILD) && cpack -G DEB
	@ls -1 $(BUILD)/vellacor_*.deb

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVELLACOR_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DVELLACOR_BENCH=ON \
	  -DVELLACOR_TESTS=OFF -DVELLACOR_WERROR=OFF $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@set -e; for b in $(BENCH_BUILD)/bin/*_bench; do echo "== $$b"; $$b; done

# Every fuzz target runs FUZZ_SECONDS seconds with ASan and UBSan.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVELLACOR_FUZZ=ON -DVELLACOR_TESTS=OFF -DVELLACOR_GUI=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@set -e; for f in $(FUZZ_BUILD)/bin/*_fuzz; do \
	  name=$$(basename $$f); mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	  seeds=fuzz/corpus/$$name; [ -d $$seeds ] || seeds=; \
	  echo "== $$name for $(FUZZ_SECONDS) s"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 -print_final_stats=1 \
	    $(FUZZ_BUILD)/corpus/$$name $$seeds; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
