#!/usr/bin/env bash
# On a screen at scale 2 the window is twice as large in device pixels and its
# picture is drawn at that resolution: the lines between keys keep their width,
# while the labels and a held key's mark have edges one device pixel fine.
source "$(dirname "$0")/e2e_lib.sh"
command -v import > /dev/null || { echo "skipped: ImageMagick is not installed"; exit 0; }
export QT_SCALE_FACTOR=2 E2E_SCREEN=1600x900x24
start_x
start_jack
start_program

geometry=$(xdotool getwindowgeometry "$WINDOW" | sed -nE 's/.*Geometry: ([0-9]+x[0-9]+).*/\1/p')
[ "$geometry" = "1248x252" ] || fail "window is $geometry"

# Checks a screenshot; $1 names what must hold, see below.
check_shot() {
  import -window "$WINDOW" -depth 8 "$WORK/shot.ppm"
  python3 - "$WORK/shot.ppm" "$1" << 'PY'
import sys
data = open(sys.argv[1], "rb").read()
fields = data.split(maxsplit=4)
width, height = int(fields[1]), int(fields[2])
pixels = fields[4][-width * height * 3:]
def at(x, y):
    i = 3 * (y * width + x)
    return tuple(pixels[i:i + 3])
def odd_edges(left, top, w, h):
    # Colour changes right after an even column or row: none in a stretched picture.
    return sum((x % 2 == 1 and at(x, y) != at(x - 1, y)) + (y % 2 == 1 and at(x, y) != at(x, y - 1))
               for y in range(top, top + h) for x in range(left, left + w))
white, black = (255, 255, 255), (0, 0, 0)
if sys.argv[2] == "bare":
    # The line between white keys 0 and 1 is one client pixel: two device pixels.
    row = [at(x, 220) for x in (45, 46, 47, 48)]
    assert row == [white, black, black, white], row
    for x in (82, 417):
        assert odd_edges(2 * x, 200, 24, 24) > 4, f"label at {x} is stretched"
else:
    # The mark of C2 on white key 3, 20x22 device pixels.
    assert at(166, 238) == black, at(166, 238)
    assert odd_edges(155, 227, 22, 24) > 4, "the mark is stretched"
PY
}
check_shot bare || fail "bare picture at scale 2"
xdotool keydown c
wait_for 10 check_shot held || { check_shot held; fail "no sharp mark on the held key"; }
xdotool keyup c
echo "ok"
