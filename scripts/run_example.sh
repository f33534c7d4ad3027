#!/usr/bin/env bash
# Installs what is missing, builds the library and the command-line tool, runs
# the example (a sentence encoded and decoded with the built-in byte-level
# tables) and then the same through nuvra-tokenize.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install_deps.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=Release -DNUVRA_BUILD_TESTS=OFF
"$root/build/examples/encode_decode" "$@"
echo "Hello world" | "$root/build/cli/nuvra-tokenize" encode
