#!/usr/bin/env bash
# Pictures of Sorvi's windows without a desktop: writes a sample analysis set
# (sorvi-samplegen), starts Sorvi under Xvfb (1400x900, no window manager) on
# each document kind in turn and saves a PNG of the screen into the folder
# named on the command line, plus one annotated source at QT_SCALE_FACTOR=2.
#
#   scripts/screenshots.sh OUT_DIR
#
# SORVI_BUILD_DIR names the build (default: build); sorvi and sorvi-samplegen
# are built there when missing. SORVI_SHOT_DELAY is how many seconds a
# window gets to open and draw before it is taken (default: 4). Needs Xvfb,
# xwd (x11-apps) and netpbm, which scripts/install-deps.sh installs.
set -euo pipefail

out=${1:?usage: scripts/screenshots.sh OUT_DIR}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$(dirname "$0")/.."
top=$(pwd)
build_dir=${SORVI_BUILD_DIR:-build}
case "$build_dir" in /*) ;; *) build_dir="$top/$build_dir" ;; esac
delay=${SORVI_SHOT_DELAY:-4}
for tool in Xvfb xwd xwdtopnm pnmcrop pnmtopng; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
if [ ! -x "$build_dir/sorvi" ] || [ ! -x "$build_dir/tools/samplegen/sorvi-samplegen" ]; then
  cmake --build "$build_dir" -j2 --target sorvi sorvi-samplegen
fi

set_dir=$(mktemp -d /tmp/sorvi-shots-XXXXXX)
xvfb_pid=
sorvi_pid=
cleanup() {
  [ -n "$sorvi_pid" ] && kill "$sorvi_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$set_dir"
}
trap cleanup EXIT

"$build_dir/tools/samplegen/sorvi-samplegen" "$set_dir" >/dev/null
# The set's profile, and settings of its own so that nothing stored by an
# earlier session changes the pictures.
export KELVAR="$set_dir/"
export XDG_CONFIG_HOME="$set_dir/config"
export XDG_RUNTIME_DIR="$set_dir/runtime"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$set_dir"

# shot NAME SCREEN SCALE ARGUMENTS...: Sorvi with the arguments on a screen
# of its own, taken after the delay.
shot() {
  local name=$1 screen=$2 scale=$3
  shift 3
  local fd_file="$set_dir/display"
  : >"$fd_file"
  Xvfb -displayfd 1 -screen 0 "${screen}x24" -nolisten tcp >"$fd_file" 2>/dev/null &
  xvfb_pid=$!
  local tries=0
  while [ ! -s "$fd_file" ] && [ $tries -lt 100 ]; do sleep 0.1; tries=$((tries + 1)); done
  [ -s "$fd_file" ] || { echo "screenshots: Xvfb did not start" >&2; exit 1; }
  local display=":$(head -n1 "$fd_file")"
  DISPLAY=$display QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$build_dir/sorvi" "$@" >/dev/null 2>&1 &
  sorvi_pid=$!
  sleep "$delay"
  if ! kill -0 "$sorvi_pid" 2>/dev/null; then
    echo "screenshots: sorvi $* ended before its picture was taken" >&2
  fi
  xwd -root -silent -display "$display" | xwdtopnm 2>/dev/null | pnmcrop -black 2>/dev/null | pnmtopng >"$out/$name.png"
  kill "$sorvi_pid" 2>/dev/null || true
  wait "$sorvi_pid" 2>/dev/null || true
  sorvi_pid=
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
  echo "$out/$name.png"
}

# One picture per document kind, opened as examples/README.md shows.
shot reformatted 1400x900 1 work/demo_1.ref -Language=2
shot annotated_source 1400x900 1 work/demo_1.sif -Language=2
shot procedure_code 1400x900 1 work/demo_1.xtx -Language=2 -Procnum=3
shot source_violations 1400x900 1 work/demo_1.sf1 -Language=2
shot result_list 1400x900 1 tests/nightly.tci -Hilight=2
shot html_page 1400x900 1 'suite/standards_info/html/standards.htm#standard_s9'
shot annotated_source_x2 2800x1800 2 work/demo_1.sif -Language=2
