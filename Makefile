# The project's commands. Each installs what it needs first (scripts/deps.sh).
#   make demo   the main job
#   make test   build with AddressSanitizer + UndefinedBehaviorSanitizer and run every test
#   make bench  build Release and run the benchmarks
#   make fuzz   build the fuzz targets with clang and run each for FUZZ_SECONDS
#   make build  the ordinary build into build/ (build/bin/quorix, build/quorix/)

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 20
CMAKE_COMMON = -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON

.PHONY: all deps build test bench fuzz demo clean

all: build

deps:
	@bash scripts/deps.sh

build: deps
	cmake -S . -B build $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j $(JOBS)

test: deps
	cmake -S . -B build-asan $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE= -DCMAKE_C_FLAGS="-O1 -g" \
	  -DCMAKE_CXX_FLAGS="-O1 -g" -DQUORIX_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build-release $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DQUORIX_TESTS=OFF \
	  -DQUORIX_BENCH=ON
	cmake --build build-release -j $(JOBS)
	@set -e; found=0; for b in build-release/bench/*_bench; do \
	  [ -x "$$b" ] || continue; found=1; echo "== $$b"; "$$b" --benchmark_min_time=0.2; done; \
	  [ $$found = 1 ] || echo "no benchmarks yet"

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE= \
	  -DCMAKE_C_FLAGS="-O1 -g" -DCMAKE_CXX_FLAGS="-O1 -g" -DQUORIX_TESTS=OFF -DQUORIX_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS)
	bash scripts/fuzz.sh build-fuzz $(FUZZ_SECONDS)

demo: build
	@bash scripts/demo.sh

clean:
	rm -rf build build-asan build-release build-fuzz
