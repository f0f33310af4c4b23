#!/usr/bin/env bash
# Installs what Sorvi needs, builds it and starts it: the help text, then the
# main window where a display exists.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build_dir=${SORVI_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" -j2 --target sorvi

# A small suite profile of its own, so the demo never depends on the machine's.
demo_dir=${SORVI_DEMO_DIR:-$(mktemp -d /tmp/sorvi-demo-XXXXXX)}
mkdir -p "$demo_dir/suite" "$demo_dir/work" "$demo_dir/perm"
cat > "$demo_dir/Kelvar.ini" <<INI
[C/C++ Vexa Kelvar]
KELV=$demo_dir/suite/
WORKDIR=$demo_dir/work/
PERMDIR=$demo_dir/perm/
INI
export KELVAR="$demo_dir"
cd "$demo_dir"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$OLDPWD/$build_dir/sorvi" -Help
else
  echo "(no display here: printing the help text only)"
  exec "$OLDPWD/$build_dir/sorvi" -Help -VMODE
fi
