#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (default 15 s).
# Usage: scripts/fuzz.sh [seconds]      scripts/fuzz.sh --build-only
set -euo pipefail
cd "$(dirname "$0")/.."
build_only=false
if [ "${1:-}" = "--build-only" ]; then
  build_only=true
  shift
fi
seconds=${1:-15}
# ./test passes its compiler cache on; by hand, ccache is used when it is there.
if [ -z "${TALVEN_CMAKE_LAUNCHER+set}" ] && command -v ccache >/dev/null 2>&1; then
  TALVEN_CMAKE_LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
fi
# shellcheck disable=SC2086 # the launcher options are separate words
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTALVEN_BUILD_FUZZ=ON -DTALVEN_FUZZ_ONLY=ON -DTALVEN_BUILD_BENCH=OFF -DTALVEN_BUILD_GUI=OFF \
  -DTALVEN_WERROR=OFF ${TALVEN_CMAKE_LAUNCHER:-} >/dev/null
targets=()
for src in fuzz/*Fuzz.cpp; do targets+=("$(basename "$src" .cpp)"); done
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}"
$build_only && exit 0
for t in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$t"
  mkdir -p "$corpus"
  seeds="fuzz/corpus/$t"
  dirs=("$corpus")
  [ -d "$seeds" ] && dirs+=("$seeds")
  echo "== fuzz $t (${seconds}s)"
  "build-fuzz/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -print_final_stats=0 "${dirs[@]}" 2>&1 | tail -n 2
done
