#!/usr/bin/env bash
# Non-blank lines of tracked code and of test code, and their ratio.
# Data (.txt/.json/.jsonl, data/, parity/, fixtures/, testdata/) is not code.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z | tr '\0' '\n' | awk '
  /(^|\/)(data|parity|fixtures|testdata)\// { next }
  !/\.(cc|cpp|c|h|hpp|py|js|sh|cmake|toml|cfg)$/ && $0 != ".ci/run" { next }
  { print }' | while IFS= read -r file; do
  name=${file##*/}
  if [[ $file =~ (^|/)(tests|test|fuzz)/ || $name == test_*.py || $name == *_test.* ]]; then
    kind=test
  else
    kind=code
  fi
  printf '%s %s\n' "$kind" "$(grep -c '[^[:space:]]' "$file" || true)"
done | awk '{ n[$1] += $2 }
  END { printf "code %d\ntest %d\nratio %.2f\n", n["code"], n["test"], n["test"] / n["code"] }'
