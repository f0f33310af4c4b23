#!/usr/bin/env bash
# Renders rich-text reports the way a reader sees them: each RTF file given
# is converted to PDF by LibreOffice (headless) and its first page to PNG.
# Usage: scripts/render-rtf.sh OUTPUT_DIR FILE.rtf...
# Installs LibreOffice Writer and poppler-utils when they are missing.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 OUTPUT_DIR FILE.rtf..." >&2; exit 2; }
out=$1
shift
need=()
command -v soffice >/dev/null 2>&1 || need+=(libreoffice-writer-nogui)
command -v pdftoppm >/dev/null 2>&1 || need+=(poppler-utils)
if [ ${#need[@]} -gt 0 ]; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
mkdir -p "$out"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
for rtf in "$@"; do
  soffice -env:UserInstallation=file://"$profile" --headless --convert-to pdf --outdir "$out" "$rtf" >/dev/null
  pdf="$out/$(basename "${rtf%.*}").pdf"
  pdftoppm -png -r 80 -f 1 -l 1 "$pdf" "${pdf%.pdf}"
  echo "$pdf"
done
