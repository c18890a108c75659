#!/usr/bin/env bash
# Installs the build into a temporary root, as a package would, and checks what a
# desktop reads from it: the desktop entry, the metainfo, the icons and the man page;
# that the install wrote nothing but the listed files, all under DESTDIR; and that
# the uninstall target takes everything away again.
# Usage: check_install.sh path/to/build
set -euo pipefail

BUILD=${1:?usage: $0 path/to/build}
WORK=$(mktemp -d /tmp/tastarion-install.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
ROOT="$WORK/root"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

DESTDIR="$ROOT" cmake --install "$BUILD" --prefix /usr > "$WORK/log" 2>&1 ||
  { cat "$WORK/log"; rm -f "$WORK/log"; echo "FAIL: cmake --install" >&2; exit 1; }
rm -f "$WORK/log"
share="$ROOT/usr/share"
id=org.example.Tastarion

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
expected_files="usr/bin/tastarion
usr/share/applications/$id.desktop
usr/share/doc/tastarion/LICENSE
usr/share/icons/hicolor/128x128/apps/tastarion.png
usr/share/icons/hicolor/16x16/apps/tastarion.png
usr/share/icons/hicolor/22x22/apps/tastarion.png
usr/share/icons/hicolor/24x24/apps/tastarion.png
usr/share/icons/hicolor/256x256/apps/tastarion.png
usr/share/icons/hicolor/32x32/apps/tastarion.png
usr/share/icons/hicolor/48x48/apps/tastarion.png
usr/share/icons/hicolor/64x64/apps/tastarion.png
usr/share/icons/hicolor/scalable/apps/tastarion.svg
usr/share/man/man1/tastarion.1
usr/share/metainfo/$id.metainfo.xml
usr/share/tastarion/translations/tastarion_de.qm
usr/share/tastarion/translations/tastarion_es.qm
usr/share/tastarion/translations/tastarion_fr.qm
usr/share/tastarion/translations/tastarion_ja.qm"
installed_files=$(cd "$ROOT" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
[ "$installed_files" = "$expected_files" ] ||
  fail "installed files differ from the list:
$(diff <(echo "$expected_files") <(echo "$installed_files"))"
# The manifest, which the uninstall reads, names the same files (without DESTDIR).
manifest=$(sed "s|^/||" "$BUILD/install_manifest.txt" | LC_ALL=C sort)
[ "$manifest" = "$expected_files" ] || fail "the manifest names other paths: $manifest"

[ -x "$ROOT/usr/bin/tastarion" ] || fail "no program in /usr/bin"
grep -q "Permission is hereby granted" "$ROOT/usr/share/doc/tastarion/LICENSE" ||
  fail "the licence is not the MIT licence"

desktop="$share/applications/$id.desktop"
if [ -f "$desktop" ]; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
  grep -qx 'Exec=tastarion %f' "$desktop" || fail "the entry does not start tastarion with the file"
  grep -qx 'MimeType=audio/midi;audio/x-midi;' "$desktop" || fail "the entry offers no MIDI files"
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
  grep -q "<project_license>MIT</project_license>" "$metainfo" || fail "the metainfo's licence is not MIT"
  grep -q "<metadata_license>CC0-1.0</metadata_license>" "$metainfo" ||
    fail "the metainfo's own licence is not CC0-1.0"
  grep -q "<content_rating type=\"oars-1.1\"" "$metainfo" || fail "no content rating"
  grep -q "<release version=\"$version\"" "$metainfo" || fail "no release entry for $version"
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
  warnings=$(MANWIDTH=80 man -l --warnings=all "$page" 2>&1 > "$WORK/page.txt") || fail "man -l"
  [ -z "$warnings" ] || fail "man page warnings: $warnings"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES ENVIRONMENT \
    "WHEN NOTHING SOUNDS"; do
    grep -qx "$section" "$WORK/page.txt" || fail "man page lacks $section"
  done
  grep -q 'vemola.mid' "$WORK/page.txt" || fail "man page does not name the recording"
  # In the C locale the sharp sign has to become #, not vanish.
  LC_ALL=C MANWIDTH=80 man -l "$page" 2> /dev/null | grep -q 'Backspace is C#5' ||
    fail "man page loses the sharp of C#5 in the C locale"
else
  fail "no man page in man1"
fi

# The README's icon cache line works on an icon folder without a theme index.
if command -v gtk-update-icon-cache > /dev/null; then
  gtk-update-icon-cache -q -f -t "$share/icons/hicolor" || fail "gtk-update-icon-cache -f -t"
fi

DESTDIR="$ROOT" cmake -DMANIFEST="$BUILD/install_manifest.txt" -DPREFIX=/usr \
  -P "$(dirname "$0")/../../cmake/uninstall.cmake" > "$WORK/log" 2>&1 || fail "uninstall: $(cat "$WORK/log")"
rm -f "$WORK/log"
# Only the folders every system has may stay, and they empty.
left=$(cd "$ROOT" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
[ "$left" = "usr usr/bin usr/share usr/share/applications usr/share/doc usr/share/icons \
usr/share/man usr/share/man/man1 usr/share/metainfo " ] || fail "the uninstall left: $left"

[ "$failures" -eq 0 ] || exit 1
echo "ok: $(echo "$expected_files" | tr '\n' ' ')"
