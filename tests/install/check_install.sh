#!/usr/bin/env bash
# Installs the build into a temporary root, as a package would, and checks what a
# desktop reads from it: the desktop entry, the metainfo, the icons and the man page.
# Usage: check_install.sh path/to/build
set -euo pipefail

BUILD=${1:?usage: $0 path/to/build}
ROOT=$(mktemp -d /tmp/tastarion-install.XXXXXX)
trap 'rm -rf "$ROOT"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

DESTDIR="$ROOT" cmake --install "$BUILD" --prefix /usr > "$ROOT.log" 2>&1 ||
  { cat "$ROOT.log"; rm -f "$ROOT.log"; echo "FAIL: cmake --install" >&2; exit 1; }
rm -f "$ROOT.log"
share="$ROOT/usr/share"
id=org.example.Tastarion

[ -x "$ROOT/usr/bin/tastarion" ] || fail "no program in /usr/bin"

desktop="$share/applications/$id.desktop"
if [ -f "$desktop" ]; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
  grep -qx 'Exec=tastarion' "$desktop" || fail "the entry does not start tastarion"
  grep -qx 'Icon=tastarion' "$desktop" || fail "the entry names another icon"
  keywords=$(sed -n 's/^Keywords=//p' "$desktop")
  for word in piano keyboard MIDI synthesizer recorder metronome; do
    [[ ";$keywords" == *";$word;"* ]] || fail "keyword $word missing"
  done
else
  fail "no desktop entry $id.desktop"
fi

metainfo="$share/metainfo/$id.metainfo.xml"
if [ -f "$metainfo" ]; then
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not name the desktop entry"
else
  fail "no metainfo $id.metainfo.xml"
fi

# Every icon is where the hicolor theme looks for it, and as large as its folder says.
python3 - "$share/icons/hicolor" << 'PY' || fail "icons"
import struct, sys, xml.etree.ElementTree as ET
root = sys.argv[1]
bad = False
for size in (16, 22, 24, 32, 48, 64, 128, 256):
    path = f"{root}/{size}x{size}/apps/tastarion.png"
    try:
        head = open(path, "rb").read(24)
    except OSError:
        print(f"missing {path}"); bad = True; continue
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        print(f"not a PNG: {path}"); bad = True; continue
    w, h = struct.unpack(">II", head[16:24])
    if (w, h) != (size, size):
        print(f"{path} is {w}x{h}"); bad = True
svg = ET.parse(f"{root}/scalable/apps/tastarion.svg").getroot()
if not svg.tag.endswith("svg") or not svg.get("viewBox"):
    print("the scalable icon is no SVG with a viewBox"); bad = True
sys.exit(1 if bad else 0)
PY

page="$ROOT/usr/share/man/man1/tastarion.1"
if [ -f "$page" ]; then
  warnings=$(MANWIDTH=80 man -l --warnings=all "$page" 2>&1 > "$ROOT/page.txt") || fail "man -l"
  [ -z "$warnings" ] || fail "man page warnings: $warnings"
  for section in NAME SYNOPSIS DESCRIPTION FILES ENVIRONMENT "WHEN NOTHING SOUNDS"; do
    grep -qx "$section" "$ROOT/page.txt" || fail "man page lacks $section"
  done
  grep -q 'vemola.mid' "$ROOT/page.txt" || fail "man page does not name the recording"
else
  fail "no man page in man1"
fi

[ "$failures" -eq 0 ] || exit 1
echo "ok: $(cd "$ROOT" && find usr -type f | sort | tr '\n' ' ')"
