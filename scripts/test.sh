#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice:
# a Release build with warnings as errors, and a Debug build under
# AddressSanitizer and UndefinedBehaviorSanitizer; then installs the Release
# build and builds programs against it (scripts/check_install.sh).
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
