#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and builds a small C program
# against it as a user would: with find_package, with pkg-config, and with the
# library as a subproject; then the same for a static build.
#   scripts/check_install.sh BUILD_DIR [NUVRA_DATA_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
data=${2:-$(sed -n 's/^NUVRA_DATA_DIR:PATH=//p' "$build/CMakeCache.txt")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
expected="50258 15947 1002 50257"
launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

fail() { echo "check_install: $*" >&2; exit 1; }
expect_ids() {  # what: command...
  local what=$1; shift
  local got
  got=$("$@") || fail "$what: exit status $?"
  [ "$got" = "$expected" ] || fail "$what printed '$got', expected '$expected'"
  echo "ok   $what"
}
configure() { cmake "$@" "${launcher[@]}" > "$work/configure.log" 2>&1 || { cat "$work/configure.log"; fail "configure failed: $*"; }; }
build_quietly() { cmake --build "$1" -j "$(nproc)" > "$work/build.log" 2>&1 || { cat "$work/build.log"; fail "build of $1 failed"; }; }

consume() {  # prefix kind
  local prefix=$1 kind=$2 libdir
  libdir=$(dirname "$(find "$prefix" -name nuvra_tokenizer.pc)")/..
  configure -S "$root/tests/install" -B "$work/package-$kind" -DCMAKE_PREFIX_PATH="$prefix"
  build_quietly "$work/package-$kind"
  expect_ids "$kind: find_package consumer" "$work/package-$kind/consumer"
  local pc_flags=(--cflags --libs)
  [ "$kind" = static ] && pc_flags+=(--static)
  # shellcheck disable=SC2046
  cc "$root/tests/install/consumer.c" -o "$work/pc-$kind" -Wl,-rpath,"$(cd "$libdir" && pwd)" \
    $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config "${pc_flags[@]}" nuvra_tokenizer) ||
    fail "$kind: pkg-config consumer does not build"
  expect_ids "$kind: pkg-config consumer" "$work/pc-$kind"
}

# Shared: the tree CI built, installed as is.
cmake --install "$build" --prefix "$work/shared" > /dev/null
lib=$(dirname "$(find "$work/shared" -name 'libnuvra_tokenizer.so.0.1.0')")
[ -n "$lib" ] || fail "libnuvra_tokenizer.so.0.1.0 not installed"
[ "$(readlink "$lib/libnuvra_tokenizer.so.0")" = libnuvra_tokenizer.so.0.1.0 ] ||
  fail "libnuvra_tokenizer.so.0 is not a link to libnuvra_tokenizer.so.0.1.0"
objdump -p "$lib/libnuvra_tokenizer.so.0.1.0" | grep -q 'SONAME *libnuvra_tokenizer.so.0$' ||
  fail "SONAME is not libnuvra_tokenizer.so.0"
[ -f "$work/shared/include/nuvra_tokenizer.h" ] || fail "header not installed"
expect_ids "shared: installed nuvra-tokenize" \
  sh -c "echo 'Hello world' | '$work/shared/bin/nuvra-tokenize' encode"
consume "$work/shared" shared

# The README's C example, as written, against the installed library.
sed -n '/^### C$/,/^```$/p' "$root/README.md" | sed '1,/^```c$/d;$d' > "$work/example.c"
# shellcheck disable=SC2046
cc "$work/example.c" -o "$work/example" -Wl,-rpath,"$lib" \
  $(PKG_CONFIG_PATH="$lib/pkgconfig" pkg-config --cflags --libs nuvra_tokenizer) ||
  fail "the README's C example does not build"
[ "$("$work/example")" = "4 tokens: Hello world" ] || fail "the README's C example printed $("$work/example")"
echo "ok   README C example"

# Python: pip installs the package offline; it finds the library the loader finds.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
"$python" -m venv "$work/venv"
cp -r "$root/python" "$work/python-src"
"$work/venv/bin/pip" install --no-index --quiet "$work/python-src" > "$work/pip.log" 2>&1 ||
  { cat "$work/pip.log"; fail "pip install ./python failed"; }
expect_ids "python package" sh -c "cd '$work' && LD_LIBRARY_PATH='$lib' '$work/venv/bin/python' -c \
  'from nuvra_tokenizer import Tokenizer; print(*Tokenizer().encode(\"Hello world\"))'"

# Static: the library alone, one archive holding every layer.
configure -S "$root" -B "$work/static-build" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
  -DNUVRA_BUILD_TESTS=OFF -DNUVRA_BUILD_CLI=OFF -DNUVRA_BUILD_TOOLS=OFF -DNUVRA_DATA_DIR="$data"
build_quietly "$work/static-build"
cmake --install "$work/static-build" --prefix "$work/static" > /dev/null
archives=$(find "$work/static" -name '*.a')
[ "$(basename "$archives")" = libnuvra_tokenizer.a ] || fail "static install holds: $archives"
consume "$work/static" static

# Subproject: only the library is built, and NUVRA_DATA_DIR is asked for.
if cmake -S "$root/tests/install" -B "$work/sub-nodata" -DNUVRA_SOURCE="$root" \
    -DNUVRA_DATA_DIR="$work/nowhere" > "$work/nodata.log" 2>&1; then
  fail "subproject without NUVRA_DATA_DIR configured"
fi
grep -q "set NUVRA_DATA_DIR" "$work/nodata.log" || fail "no NUVRA_DATA_DIR message: $(cat "$work/nodata.log")"
configure -S "$root/tests/install" -B "$work/sub" -DNUVRA_SOURCE="$root" -DNUVRA_DATA_DIR="$data"
build_quietly "$work/sub"
[ ! -e "$work/sub/nuvra_tokenizer/tests" ] && [ ! -e "$work/sub/nuvra_tokenizer/cli" ] ||
  fail "the subproject builds more than the library"
expect_ids "subproject consumer" "$work/sub/consumer"
