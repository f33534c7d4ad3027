#!/usr/bin/env bash
# Builds the fuzz targets (clang, ASan+UBSan, libFuzzer) in build-fuzz/ and
# runs one: scripts/fuzz.sh TARGET SECONDS [libFuzzer options...]
# TARGET is fuzz_readers, fuzz_encode or fuzz_decode. The run grows its own
# corpus in build-fuzz/corpus/TARGET from the committed seeds; a finding stops
# it with a non-zero status and leaves the input in build-fuzz/findings/
# (NUVRA_FUZZ_BUILD names another build tree).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=$1
seconds=$2
shift 2
dir=${NUVRA_FUZZ_BUILD:-$root/build-fuzz}
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f "$dir/CMakeCache.txt" ]; then
  mkdir -p "$dir"
  cmake -S "$root" -B "$dir" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_SHARED_LIBS=OFF -DNUVRA_BUILD_TESTS=OFF \
    -DNUVRA_FUZZ=ON "${launcher[@]}" > "$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
fi
cmake --build "$dir" --target "$target" -j "$(nproc)" > "$dir/build.log" 2>&1 || { tail -50 "$dir/build.log"; exit 1; }
mkdir -p "$dir/corpus/$target" "$dir/findings"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$dir/fuzz/$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$dir/findings/$target-" "$@" "$dir/corpus/$target" "$root/fuzz/corpus/$target"
