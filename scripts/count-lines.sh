#!/usr/bin/env bash
# Counts code lines (non-blank, not comment-only) of the C++ sources
# (.cpp, .h) in the product (src/ + tools/) and in tests/, and prints the
# share the tests make of the product. Block comments count as comment
# lines from their opening line to their closing one.
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 cat |
    awk '
      { line = $0; gsub(/^[ \t]+|[ \t]+$/, "", line) }
      in_block { if (index(line, "*/")) in_block = 0; next }
      line == "" { next }
      line ~ /^\/\// { next }
      line ~ /^\/\*/ { if (!index(substr(line, 3), "*/")) in_block = 1; next }
      { n++ }
      END { print n + 0 }'
}
product=$(count src tools)
tests=$(count tests)
echo "product (src + tools): $product code lines"
echo "tests:                 $tests code lines"
awk -v t="$tests" -v p="$product" 'BEGIN { printf "tests / product:       %.1f %%\n", 100 * t / p }'
