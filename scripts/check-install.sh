#!/usr/bin/env bash
# Checks Sorvi's installation from a configured and built build directory,
# in two parts, each into a scratch root:
#   install  cmake --install with DESTDIR (prefix /usr);
#   deb      the .deb built by cpack, unpacked with dpkg -x; its
#            dependencies are installed packages of this machine in versions
#            that satisfy them, and provide every library the programs link
#            (as root, a dry run of dpkg -i checks them too).
# For each root: the installed files are exactly the expected list; the
# desktop entry and the AppStream file pass desktop-file-validate and
# appstream-util validate-relax; the MIME package compiles and gives each
# work-file kind a type the desktop entry opens; the icons have their sizes;
# the installed sorvi prints the option list (-Help -VMODE) and writes, on a
# sample set made by the installed sorvi-samplegen, the same batch report
# as the built sorvi; the installed sorvi-export, with daemon locking on and
# no daemon in the suite directory, starts the installed daemon.
# A missing tool skips its part (exit 77 at the end, after the other checks).
# Usage: check-install.sh BUILD_DIR
set -u
build=$(cd "${1:?usage: check-install.sh BUILD_DIR}" && pwd)

fail() { echo "FAILED: $*"; exit 1; }
skipped=()
skip() { echo "SKIPPED: $*"; skipped+=("$*"); }

work=$(mktemp -d)
daemons=()
cleanup() {
  for pid in "${daemons[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen

expected_files="usr/bin/sorvi
usr/bin/sorvi-export
usr/bin/sorvi-samplegen
usr/bin/vexa_locking_daemon
usr/share/applications/sorvi.desktop
usr/share/icons/hicolor/256x256/apps/sorvi.png
usr/share/icons/hicolor/48x48/apps/sorvi.png
usr/share/icons/hicolor/scalable/apps/sorvi.svg
usr/share/metainfo/sorvi.metainfo.xml
usr/share/mime/packages/sorvi.xml"
work_file_kinds="ref sf1 sif tci thi xtx"

# The width and height of a PNG file, from its header.
png_size() {
  local b
  read -r -a b < <(od -An -tu1 -j16 -N8 "$1")
  echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}

check_root() {
  local name=$1 root=$2
  local bin=$root/usr/bin share=$root/usr/share
  echo "== $name"
  diff <(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) <(echo "$expected_files") ||
    fail "$name: installed files differ from the expected list (< installed, > expected)"
  for exe in sorvi sorvi-export sorvi-samplegen vexa_locking_daemon; do
    [ -x "$bin/$exe" ] || fail "$name: $exe is not executable"
  done

  if command -v desktop-file-validate >/dev/null; then
    # It passes some errors with status 0: any message counts.
    local said
    said=$(desktop-file-validate "$share/applications/sorvi.desktop" 2>&1) && [ -z "$said" ] ||
      fail "$name: desktop-file-validate: $said"
  else
    skip "$name: desktop-file-validate is not installed"
  fi
  if command -v appstream-util >/dev/null; then
    appstream-util validate-relax --nonet "$share/metainfo/sorvi.metainfo.xml" || fail "$name: appstream-util"
  else
    skip "$name: appstream-util is not installed"
  fi

  # The MIME package, compiled in a copy: one glob per work-file kind, each
  # to a type that the desktop entry lists.
  if command -v update-mime-database >/dev/null; then
    mkdir -p "$work/mime-$name/packages"
    cp "$share/mime/packages/sorvi.xml" "$work/mime-$name/packages/"
    update-mime-database "$work/mime-$name" >"$work/mime-$name.log" 2>&1 ||
      { cat "$work/mime-$name.log"; fail "$name: update-mime-database"; }
    local opened kinds=""
    opened=$(sed -n 's/^MimeType=//p' "$share/applications/sorvi.desktop" | tr ';' '\n')
    while IFS=: read -r _ type glob; do
      echo "$opened" | grep -qxF "$type" || fail "$name: $glob is $type, which the desktop entry does not open"
      kinds="$kinds ${glob#\*.}"
    done < <(grep -v '^#' "$work/mime-$name/globs2")
    [ "$(echo $kinds | tr ' ' '\n' | sort | xargs)" = "$work_file_kinds" ] ||
      fail "$name: the MIME package names the kinds$kinds"
  else
    skip "$name: update-mime-database is not installed"
  fi
  local icon
  icon=$(sed -n 's/^Icon=//p' "$share/applications/sorvi.desktop")
  for dir in scalable/apps/"$icon".svg {48x48,256x256}/apps/"$icon".png; do
    [ -f "$share/icons/hicolor/$dir" ] || fail "$name: the desktop entry's icon $icon has no $dir"
  done
  for size in 48 256; do
    [ "$(png_size "$share/icons/hicolor/${size}x$size/apps/sorvi.png")" = "${size}x$size" ] ||
      fail "$name: the ${size}x$size icon has another size"
  done

  # The installed programs, run from the root, in a sample set's profile.
  local set=$work/set-$name
  "$bin/sorvi-samplegen" --quiet --seed 3 --lines 200 "$set" || fail "$name: sorvi-samplegen"
  (
    cd "$set" && export KELVAR="$set/" &&
    "$bin/sorvi" -Help -VMODE >installed.help && "$build/sorvi" -Help -VMODE >built.help &&
    grep -q . installed.help && cmp installed.help built.help
  ) || fail "$name: sorvi -Help -VMODE printed nothing or not what the built program prints"
  (
    cd "$set" && export KELVAR="$set/" &&
    "$build/sorvi" work/demo_1.ref -VMODE -Language=2 && mv work/demo_1.aref.rtf built.rtf &&
    "$bin/sorvi" work/demo_1.ref -VMODE -Language=2
  ) || fail "$name: the batch report did not run"
  [ -s "$set/work/demo_1.aref.rtf" ] || fail "$name: no batch report"
  cmp "$set/work/demo_1.aref.rtf" "$set/built.rtf" || fail "$name: the installed sorvi's report differs"
  # sorvi-export reads the registry under its lock, here through the lock
  # daemon: the one installed beside it, since the suite directory has none.
  sed -i 's/^USE_DAEMON_LOCKING=.*/USE_DAEMON_LOCKING=TRUE/' "$set/Kelvar.ini"
  (cd "$set" && KELVAR="$set/" "$bin/sorvi-export" lcov -o "$set/out.info") || fail "$name: sorvi-export lcov"
  grep -q '^end_of_record' "$set/out.info" || fail "$name: sorvi-export wrote no LCOV records"
  [ ! -e "$set/suite/vexa_locking_daemon" ] || fail "$name: the sample suite holds a daemon"
  local port=$set/perm/VEXA_DAEMON_PORT.DAT pid="" i
  for i in $(seq 300); do
    pid=$(sed -n 2p "$port" 2>/dev/null)
    [ -n "$pid" ] && break
    sleep 0.1
  done
  [ -n "$pid" ] || fail "$name: no lock daemon published its port"
  daemons+=("$pid")
  [ "$(readlink "/proc/$pid/exe")" = "$(cd "$bin" && pwd -P)/vexa_locking_daemon" ] ||
    fail "$name: the running daemon is $(readlink "/proc/$pid/exe"), not the installed one"
  kill "$pid" && daemons=()
  echo "$name: OK"
}

# First: cmake --install into a scratch root.
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/install.log" ||
  { cat "$work/install.log"; fail "cmake --install"; }
check_root install "$work/root"

# Then: the .deb.
if ! command -v dpkg-deb >/dev/null; then
  skip "deb: dpkg-deb is not installed (scripts/install-deps.sh installs it)"
else
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack -G DEB"; }
  deb=$(ls "$work"/pkg/*.deb)
  [ "$(echo "$deb" | wc -l)" = 1 ] || fail "cpack made no single .deb: $deb"
  dpkg-deb -I "$deb" control
  dpkg-deb -x "$deb" "$work/deb-root" || fail "dpkg-deb -x"
  check_root deb "$work/deb-root"
  # Every dependency names a package of this machine's Debian, installed in
  # a version that satisfies it.
  while read -r dep; do
    [ -n "$dep" ] || continue
    package=${dep%% *}
    read -r status version < <(dpkg-query -W -f='${db:Status-Abbrev} ${Version}\n' "$package" 2>/dev/null)
    [ "${status:-}" = ii ] || fail "deb: the dependency $package is not an installed package"
    if [[ $dep =~ \((.*)\ (.*)\) ]]; then
      dpkg --compare-versions "$version" "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" ||
        fail "deb: $package $version does not satisfy $dep"
    fi
  done < <(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//')
  # Every library a program links directly comes from a dependency.
  depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
  for exe in "$work"/deb-root/usr/bin/*; do
    while read -r soname; do
      lib=$(ldd "$exe" | awk -v l="$soname" '$1 == l { print $3 }')
      owner=$(dpkg -S "$lib" 2>/dev/null || dpkg -S "$(realpath "$lib")" 2>/dev/null || dpkg -S "/usr$lib" 2>/dev/null)
      owner=${owner%%:*}
      [ -n "$owner" ] && echo "$depends" | grep -qxF "$owner" ||
        fail "deb: ${exe##*/} links $soname ($lib, of '$owner'), which no dependency provides"
    done < <(readelf -d "$exe" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  done
  # As root in CI, a dry run of the real installation.
  if [ "$(id -u)" -eq 0 ]; then
    dpkg --dry-run -i "$deb" >"$work/dry-run.log" 2>&1 ||
      { cat "$work/dry-run.log"; fail "deb: dpkg -i would not install it"; }
  fi
  echo "deb: dependencies OK"
fi

if [ ${#skipped[@]} -gt 0 ]; then
  printf 'skipped: %s\n' "${skipped[@]}"
  exit 77
fi
echo "install check: OK"
