#!/usr/bin/env bash
# What players of other virtual keyboards reach for: Escape's panic with two keys
# held, Space's pedal (recorded, saved, read back by mido, replayed), the left
# mouse button on the picture, a JACK port that appears after the start, and
# the program's own port wired by a patchbay.
source "$(dirname "$0")/e2e_lib.sh"
require_mido
start_all_in_run_dir
switch_to_monitor

# The fifteen note channels, not the metronome's: "40 7f" gives b0 40 7f ... bf 40 7f.
pedal() {
  local channel
  for channel in 0 1 2 3 4 5 6 7 8 a b c d e f; do echo "b$channel $1"; done
}

# Panic: both held notes end, then All Notes Off everywhere; the releases send nothing.
mark=$(midi_mark)
xdotool keydown c
xdotool keydown v
wait_for 5 grep -q ': 91 32 60' "$WORK/midi.log" || fail "v did not sound"
xdotool key Escape
sleep 0.3
xdotool keyup c keyup v
expect_midi "$mark" "90 30 60
91 32 60
90 30 00
91 32 00
$(all_channels b0 "7b 00")"

# The pedal held through the auto-repeat, recorded with a note.
xdotool key F2
wait_for 5 sh -c "xdotool getwindowname $WINDOW | grep -q 'Recording'" || fail "no recording"
mark=$(midi_mark)
xdotool keydown space
sleep 1.2
xdotool key c
sleep 0.2
xdotool keyup space
played="$(pedal "40 7f")
90 30 60
90 30 00
$(pedal "40 00")"
expect_midi "$mark" "$played"
save_take "$WORK/run/pedal.mid"
read_back=$(take_messages "$WORK/run/pedal.mid" | cut -d' ' -f2-)
expected=""
for value in 127; do for c in 0 1 2 3 4 5 6 7 8 10 11 12 13 14 15; do expected+="cc $c 64 $value"$'\n'; done; done
expected+="note 0 48 96"$'\n'"note 0 48 0"$'\n'
for c in 0 1 2 3 4 5 6 7 8 10 11 12 13 14 15; do expected+="cc $c 64 0"$'\n'; done
[ "$read_back" = "${expected%$'\n'}" ] || { echo "$read_back"; fail "mido reads another file"; }
focus_program
mark=$(midi_mark)
xdotool key F3
expect_midi "$mark" "$played"

# The left button: a press on C2's key, a slide to D2's, the release.
mark=$(midi_mark)
xdotool mousemove --window "$WINDOW" 80 110 mousedown 1
sleep 0.2
xdotool mousemove --window "$WINDOW" 104 110
sleep 0.2
xdotool mouseup 1
# 15 pixels above the keys' front edge: velocity 83 at volume 8 (96 at the edge).
expect_midi "$mark" "90 30 53
90 30 00
90 32 53
90 32 00"
focus_program

# A JACK port that appears now is listed without a restart: Page Down reaches it.
jack_midi_dump -a late-monitor > "$WORK/late.log" 2>&1 &
PIDS+=($!)
wait_for 10 sh -c 'jack_lsp | grep -qx late-monitor:input' || fail "no late monitor"
sleep 1.5  # a loaded machine may take a moment to list it
xdotool key Page_Down
wait_for 5 grep -q ': c0 00' "$WORK/late.log" || fail "Page Down did not reach the new port"
sleep 0.3
xdotool key c
wait_for 5 grep -q ': 90 30 00' "$WORK/late.log" || fail "the new port did not play"

# The last row: our own port, connected to nothing until a patchbay wires it.
xdotool key Page_Down
wait_for 5 sh -c 'jack_lsp | grep -qx Tastarion:output' || fail "no port of our own"
sleep 0.3
[ "$(jack_lsp -c Tastarion:output | wc -l)" -eq 1 ] || fail "our own port is connected"
mark=$(midi_mark)
xdotool key c
sleep 0.3
jack_connect Tastarion:output midi-monitor:input
sleep 0.3
xdotool key v
expect_midi "$mark" "90 32 60
90 32 00"
echo "ok"
