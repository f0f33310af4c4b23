#!/usr/bin/env bash
# Checks sorvi-export's outputs with the real clients of each format, on a
# generated sample set of three modules:
#   sarif      the SARIF multitool's "validate" reports no error
#   lcov       "lcov --summary" gives the branch totals of the suite's test
#              report for each test case, and the line totals of the
#              Cobertura file; genhtml takes it without a warning
#   cobertura  valid against the Cobertura DTD (coverage-04); its rates
#              equal the LCOV figures
#   html       the index and every module page parse in Python's HTML
#              parser with every element closed; every link to an anchor
#              finds it (each violation's link to its standard's help page)
# A missing client skips its check (exit 77).
# Usage: check-export.sh CHECK SORVI_EXPORT SORVI_SAMPLEGEN
set -u
check=$1
export_exe=$2
samplegen=$3
here=$(cd "$(dirname "$0")" && pwd)
dtd=$here/../tests/tools/export/coverage-04.dtd

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$samplegen" --quiet --seed 5 --modules 3 --lines 600 "$work/set" || fail "cannot write the sample set"
export KELVAR="$work/set/"
tc_args() { [ -n "$1" ] && echo "-TC=$1 -Seq=nightly -Seqwrk=$work/set/tests"; }

case $check in
sarif)
  command -v npm >/dev/null || skip "npm is not installed"
  tools=${SORVI_NPM_TOOLS:-$HOME/.cache/sorvi-export-npm}
  if [ ! -e "$tools/node_modules/.bin/sarif-multitool" ]; then
    mkdir -p "$tools"
    (cd "$tools" && timeout 600 npm install --no-audit --no-fund --silent @microsoft/sarif-multitool@5 >/dev/null 2>&1) ||
      skip "the npm registry cannot be reached: @microsoft/sarif-multitool is not installed"
  fi
  "$export_exe" sarif -o "$work/out.sarif" -j 2 || fail "sorvi-export sarif"
  export DOTNET_SYSTEM_GLOBALIZATION_INVARIANT=1
  (cd "$tools" && npx --no-install sarif-multitool validate "$work/out.sarif" -o "$work/validation.sarif") \
    >"$work/validate.log" 2>&1 || { cat "$work/validate.log"; fail "the multitool did not run"; }
  python3 - "$work/validation.sarif" "$work/out.sarif" <<'PY' || { cat "$work/validate.log"; exit 1; }
import json, sys
found = json.load(open(sys.argv[1]))["runs"][0].get("results", [])
errors = [r for r in found if r.get("level") == "error"]
for r in errors:
    print(r["ruleId"], r["message"].get("text", r["message"]))
log = json.load(open(sys.argv[2]))
print("SARIF: %d results, %d rules; validation: %d errors, %d other findings"
      % (len(log["runs"][0]["results"]), len(log["runs"][0]["tool"]["driver"]["rules"]), len(errors), len(found) - len(errors)))
sys.exit(1 if errors or not log["runs"][0]["results"] else 0)
PY
  ;;
lcov)
  command -v lcov >/dev/null && command -v genhtml >/dev/null || skip "lcov is not installed"
  for tc in "" 1 2 3; do
    # shellcheck disable=SC2046
    "$export_exe" lcov -o "$work/out.info" $(tc_args "$tc") || fail "sorvi-export lcov $tc"
    # shellcheck disable=SC2046
    "$export_exe" cobertura -o "$work/out.xml" $(tc_args "$tc") || fail "sorvi-export cobertura $tc"
    lcov --summary "$work/out.info" --rc lcov_branch_coverage=1 >"$work/summary" 2>&1 || fail "lcov --summary"
    python3 - "$work/summary" "$work/out.xml" "$work/set/tests/nightly_report.txt" "$tc" <<'PY' || exit 1
import re, sys, xml.etree.ElementTree as ET
summary = open(sys.argv[1]).read()
lines = re.search(r"lines\.+: [\d.]+% \((\d+) of (\d+) lines\)", summary)
branches = re.search(r"branches\.+: [\d.]+% \((\d+) of (\d+) branches\)", summary)
if not lines or not branches:
    sys.exit("FAILED: no totals in lcov --summary:\n" + summary)
root = ET.parse(sys.argv[2]).getroot()
expected_lines = (int(root.get("lines-covered")), int(root.get("lines-valid")))
expected_branches = (int(root.get("branches-covered")), int(root.get("branches-valid")))
tc = sys.argv[4]
if tc:
    report = open(sys.argv[3]).read().split("*  Test Case %s :" % tc)[1]
    m = re.search(r"Branches taken\s*: (\d+) of (\d+)", report)
    expected_branches = (int(m.group(1)), int(m.group(2)))
got_lines = (int(lines.group(1)), int(lines.group(2)))
got_branches = (int(branches.group(1)), int(branches.group(2)))
print("test case %s: lcov lines %d of %d, branches %d of %d" % ((tc or "combined",) + got_lines + got_branches))
if got_lines != expected_lines or got_branches != expected_branches:
    sys.exit("FAILED: expected lines %s, branches %s" % (expected_lines, expected_branches))
PY
  done
  genhtml --branch-coverage -o "$work/genhtml" "$work/out.info" >"$work/genhtml.log" 2>&1 || { cat "$work/genhtml.log"; fail "genhtml"; }
  if grep -i -E "warning|error" "$work/genhtml.log"; then fail "genhtml warned"; fi
  echo "genhtml: no warnings"
  ;;
cobertura)
  "$export_exe" cobertura -o "$work/out.xml" || fail "sorvi-export cobertura"
  "$export_exe" lcov -o "$work/out.info" || fail "sorvi-export lcov"
  if command -v xmllint >/dev/null; then
    xmllint --noout --dtdvalid "$dtd" "$work/out.xml" || fail "not valid against coverage-04.dtd"
    echo "xmllint: valid against coverage-04.dtd"
  else
    echo "xmllint is not installed: checking the DTD's required attributes with Python"
  fi
  python3 - "$work/out.xml" "$work/out.info" "$dtd" <<'PY'
import re, sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
required = {}
for element, attribute in re.findall(r"<!ATTLIST (\w+) ([\w-]+)\s+CDATA #REQUIRED>", open(sys.argv[3]).read()):
    required.setdefault(element, []).append(attribute)
for e in root.iter():
    missing = [a for a in required.get(e.tag, []) if e.get(a) is None]
    if missing:
        sys.exit("FAILED: <%s> lacks %s" % (e.tag, missing))
info = open(sys.argv[2]).read()
def total(key):
    return sum(int(v) for v in re.findall(r"^%s:(\d+)$" % key, info, re.M))
lf, lh, brf, brh = total("LF"), total("LH"), total("BRF"), total("BRH")
rate = lambda part, whole: "%.4f" % (part / whole if whole else 1.0)
checks = [("line-rate", rate(lh, lf)), ("branch-rate", rate(brh, brf)), ("lines-valid", str(lf)),
          ("lines-covered", str(lh)), ("branches-valid", str(brf)), ("branches-covered", str(brh))]
for key, want in checks:
    if root.get(key) != want:
        sys.exit("FAILED: %s is %s, LCOV gives %s" % (key, root.get(key), want))
print("Cobertura: line-rate %s, branch-rate %s, equal to the LCOV figures" % (root.get("line-rate"), root.get("branch-rate")))
PY
  ;;
html)
  "$export_exe" html "$work/report" -j 2 || fail "sorvi-export html"
  python3 - "$work/report" <<'PY'
import os, sys
from html.parser import HTMLParser
from urllib.parse import urldefrag
VOID = {"meta", "link", "br", "hr", "img", "input", "wbr", "col", "area", "base", "source"}
class Page(HTMLParser):
    def __init__(self):
        super().__init__()
        self.stack, self.ids, self.links, self.problems, self.violation_links = [], set(), [], [], 0
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        for key in ("id", "name"):
            if a.get(key):
                self.ids.add(a[key])
        if tag == "a" and a.get("href"):
            self.links.append(a["href"])
            if "#standard_" in a["href"]:
                self.violation_links += 1
        if tag not in VOID:
            self.stack.append((tag, self.getpos()))
    def handle_endtag(self, tag):
        if not self.stack or self.stack[-1][0] != tag:
            self.problems.append("unexpected </%s> at %s" % (tag, self.getpos()))
        else:
            self.stack.pop()
def parse(path):
    p = Page()
    p.feed(open(path, encoding="utf-8").read())
    p.close()
    p.problems += ["<%s> at %s never closed" % s for s in p.stack]
    return p
root = sys.argv[1]
pages = [os.path.join(d, f) for d, _, fs in os.walk(root) for f in fs if f.endswith(".html")]
parsed = {os.path.abspath(p): parse(p) for p in pages}
problems, anchors, violations = [], 0, 0
for path, page in parsed.items():
    problems += ["%s: %s" % (path, p) for p in page.problems]
    violations += page.violation_links
    for link in page.links:
        target, fragment = urldefrag(link)
        if link.startswith(("http:", "https:", "file:")):
            continue
        target = os.path.abspath(os.path.join(os.path.dirname(path), target)) if target else path
        if not os.path.isfile(target):
            problems.append("%s: link to a missing file %s" % (path, link))
        elif fragment:
            ids = parsed[target].ids if target in parsed else parse(target).ids
            anchors += 1
            if fragment not in ids:
                problems.append("%s: link to a missing anchor %s" % (path, link))
for p in problems[:20]:
    print(p)
print("HTML: %d pages, %d links to anchors (%d from violations), %d problems" % (len(pages), anchors, violations, len(problems)))
sys.exit(1 if problems or not violations or len(pages) < 2 else 0)
PY
  ;;
*)
  fail "unknown check $check"
  ;;
esac
