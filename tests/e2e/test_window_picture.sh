#!/usr/bin/env bash
# A screenshot of the real window shows the keyboard picture and a held key's mark.
source "$(dirname "$0")/e2e_lib.sh"
command -v import > /dev/null || { echo "skipped: ImageMagick is not installed"; exit 0; }
start_x
start_jack
start_program

geometry=$(xdotool getwindowgeometry "$WINDOW" | sed -nE 's/.*Geometry: ([0-9]+x[0-9]+).*/\1/p')
[ "$geometry" = "624x126" ] || fail "window is $geometry"

# The colour of the pixels at the points given, one per line.
pixels() {
  import -window "$WINDOW" "$WORK/shot.png"
  local point
  for point in "$@"; do
    convert "$WORK/shot.png" -format "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]\n" \
      -crop "1x1+${point%,*}+${point#*,}" +repage info:
  done
}
white=255,255,255
black=0,0,0

# White key 0, black key 0, the gap after white key 0, the last white key, the
# black key beside it, the mark places of notes 48 and 85.
expected="$white
$black
$black
$white
$black
$white
$black"
points=(10,110 20,60 23,110 590,110 599,60 83,119 599,89)
[ "$(pixels "${points[@]}")" = "$expected" ] || { pixels "${points[@]}"; fail "bare picture"; }

xdotool keydown c
wait_for 10 sh -c "[ \"\$(import -window $WINDOW '$WORK/held.png' && convert '$WORK/held.png' -format '%[fx:int(255*r)]' -crop 1x1+83+119 +repage info:)\" = 0 ]" ||
  fail "no mark on the held key"
xdotool keyup c
wait_for 10 sh -c "[ \"\$(import -window $WINDOW '$WORK/held.png' && convert '$WORK/held.png' -format '%[fx:int(255*r)]' -crop 1x1+83+119 +repage info:)\" = 255 ]" ||
  fail "the mark stayed after the release"
echo "ok"
