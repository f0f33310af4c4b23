#!/usr/bin/env bash
# Installs what Sorvi needs, builds it, writes a sample analysis set into a
# scratch directory and opens its module in Sorvi.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
scripts/install-deps.sh
build_dir=${SORVI_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" -j2 --target sorvi sorvi-samplegen

# A generated module with every work file, the suite's data, a profile and a
# GLH file; see examples/README.md.
demo_dir=${SORVI_DEMO_DIR:-$(mktemp -d /tmp/sorvi-demo-XXXXXX)}
"$top/$build_dir/tools/samplegen/sorvi-samplegen" "$demo_dir"
export KELVAR="$demo_dir"
cd "$demo_dir"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # The generated module, annotated, in the main window.
  exec "$top/$build_dir/sorvi" work/demo_1.ref -Language=2
else
  echo "(no display here: printing the option list only)"
  exec "$top/$build_dir/sorvi" -Help -VMODE
fi
