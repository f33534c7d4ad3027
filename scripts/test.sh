#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice:
# a Release build with warnings as errors, and a Debug build under
# AddressSanitizer and UndefinedBehaviorSanitizer; then installs the Release
# build and builds programs against it (scripts/check_install.sh); then the
# thread tests under ThreadSanitizer and each fuzz target briefly (clang
# builds of their own).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install_deps.sh"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

for config in release sanitize; do
  dir="$root/build-ci-$config"
  case $config in
    release) options=(-DCMAKE_BUILD_TYPE=Release) ;;
    sanitize) options=(-DCMAKE_BUILD_TYPE=Debug -DNUVRA_SANITIZE=ON) ;;
  esac
  echo "== $config build"
  "$root/scripts/build.sh" "$dir" "${options[@]}" -DNUVRA_WERROR=ON
  echo "== $config tests"
  (cd "$dir" && ctest --output-on-failure -j "$(nproc)")
done

echo "== install and consumers"
"$root/scripts/check_install.sh" "$root/build-ci-release"

echo "== threads under ThreadSanitizer"
dir="$root/build-ci-tsan"
mkdir -p "$dir"
cmake -S "$root" -B "$dir" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_SHARED_LIBS=OFF -DNUVRA_TSAN=ON -DNUVRA_WERROR=ON \
  > "$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
cmake --build "$dir" --target threads_tests -j "$(nproc)"
(cd "$dir" && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -R '^Threads\.')

echo "== fuzzing, ${NUVRA_FUZZ_SECONDS:=45} s per target"
export NUVRA_FUZZ_BUILD="$root/build-ci-fuzz"
mkdir -p "$NUVRA_FUZZ_BUILD"
for target in fuzz_readers fuzz_encode fuzz_decode; do
  log="$NUVRA_FUZZ_BUILD/$target.log"
  if ! "$root/scripts/fuzz.sh" "$target" "$NUVRA_FUZZ_SECONDS" > "$log" 2>&1; then
    grep -v -E '^#[0-9]+ ' "$log" | tail -80
    echo "fuzz finding in $target: the input is in $NUVRA_FUZZ_BUILD/findings/"
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$log"
done
