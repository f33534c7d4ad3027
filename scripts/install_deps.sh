#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when
# they are all present already.
set -euo pipefail

packages=(
  cmake g++ make pkg-config python3
  libsentencepiece-dev sentencepiece python3-sentencepiece
  libmecab-dev mecab mecab-ipadic-utf8 python3-mecab
  libpcre2-dev libgtest-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev
  python3-pytest python3-dask python3-distributed python3-setuptools python3-wheel python3-pip python3-venv
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
