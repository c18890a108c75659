#!/usr/bin/env bash
# Playing as a musician would, with jack_midi_dump timing every message: a held
# key, keys held while the program's own windows take the keyboard, a patchbay
# unplugging the port, a replay stopped under a held key, the overlapping keys,
# Alt.
source "$(dirname "$0")/e2e_lib.sh"
start_all_in_run_dir
switch_to_monitor

# Waits until the messages since mark $1 include the line $2.
wait_midi() {
  wait_for 10 sh -c "tail -n +$1 '$WORK/midi.log' | grep -q ': $2'" || {
    midi_since "$1"
    fail "no '$2'"
  }
}
# The first visible window of ours other than the main window, once it shows.
other_window() {
  local deadline=$((SECONDS + 10)) id
  while [ "$SECONDS" -lt "$deadline" ]; do
    for id in $(xdotool search --onlyvisible --name "${1:-^Tastarion }" 2> /dev/null); do
      [ "$id" = "$WINDOW" ] || { echo "$id"; return 0; }
    done
    sleep 0.05
  done
  return 1
}
gone() { ! xdotool getwindowname "$1" > /dev/null 2>&1 || ! xdotool search --onlyvisible --name . | grep -qx "$1"; }

# A key held long enough for the server's auto-repeat sounds once and ends once.
mark=$(midi_mark)
xdotool keydown c
sleep 1.5
xdotool keyup c
expect_midi "$mark" "90 30 60
90 30 00"

# F1's help box takes the keyboard while c is held: c ends then, its release in
# the box sends nothing, and the next stroke takes channel 1 again.
mark=$(midi_mark)
xdotool keydown c
wait_midi "$mark" "90 30 60"
xdotool key F1
box=$(other_window) || fail "the help box did not show"
wait_midi "$mark" "90 30 00"
xdotool keyup c
xdotool windowfocus "$box"
xdotool key Return
wait_for 10 gone "$box" || fail "the help box did not close"
focus_program
xdotool key c
expect_midi "$mark" "90 30 60
90 30 00
90 30 60
90 30 00"

# The right-click menu likewise.
mark=$(midi_mark)
xdotool keydown c
wait_midi "$mark" "90 30 60"
xdotool mousemove --window "$WINDOW" 300 90 click 3
wait_midi "$mark" "90 30 00"
xdotool keyup c
xdotool key Escape
focus_program
xdotool key c
expect_midi "$mark" "90 30 60
90 30 00
90 30 60
90 30 00"

# Ending a recording with F2 while the last chord is held: the chord ends as the
# save dialog opens, in the file too.
xdotool key F2
wait_for 5 sh -c "xdotool getwindowname $WINDOW | grep -q 'Recording'" || fail "no recording"
mark=$(midi_mark)
xdotool keydown c keydown v
wait_midi "$mark" "91 32 60"
xdotool key F2
wait_midi "$mark" "91 32 00"
xdotool keyup c keyup v
accept_save_dialog
wait_for 10 test -s "$WORK/run/vemola.mid" || fail "no vemola.mid"
focus_program
xdotool key c
expect_midi "$mark" "90 30 60
91 32 60
90 30 00
91 32 00
90 30 60
90 30 00"
# The system's Python has mido; a user-installed one earlier on PATH may not.
python=/usr/bin/python3
"$python" -c 'import mido' 2> /dev/null || python=python3
"$python" - "$WORK/run/vemola.mid" << 'PY' || fail "the saved chord does not end"
import sys, mido
sounding = set()
for m in mido.MidiFile(sys.argv[1]).tracks[0]:
    if m.type == 'note_on':
        (sounding.add if m.velocity else sounding.discard)((m.channel, m.note))
print(sounding)
sys.exit(1 if sounding else 0)
PY

# A replay's note and a held key's are two notes, each on its own channel: the
# replay stopped ends its own, and the key's release ends the key's, once.
xdotool key F2
xdotool keydown c
sleep 2
xdotool keyup c
xdotool key F2
rm "$WORK/run/vemola.mid"
accept_save_dialog
wait_for 10 test -s "$WORK/run/vemola.mid" || fail "no second vemola.mid"
focus_program
mark=$(midi_mark)
xdotool key F3
wait_midi "$mark" "90 30 60"
xdotool keydown c
wait_midi "$mark" "91 30 60"
xdotool key F3
sleep 0.5
xdotool keyup c
expect_midi "$mark" "90 30 60
91 30 60
90 30 00
91 30 00"

# Of two keys sharing a note, each release ends its own key's channel.
mark=$(midi_mark)
xdotool keydown backslash keydown 1 keyup 1
wait_midi "$mark" "91 3f 00"
xdotool keyup backslash
xdotool keydown 1 keydown backslash keyup 1 keyup backslash
expect_midi "$mark" "90 3f 60
91 3f 60
91 3f 00
90 3f 00
90 3f 60
91 3f 60
90 3f 00
91 3f 00"

# With Alt held a key neither plays nor runs its command; a release with Alt
# held still ends its note.
mark=$(midi_mark)
xdotool keydown alt key c key Up keyup alt
xdotool keydown c keydown alt keyup c keyup alt
xdotool key c
expect_midi "$mark" "90 30 60
90 30 00
90 30 60
90 30 00"

# A patchbay unplugs the port while c sounds: what is played meanwhile is lost,
# not delivered late, and c ends as soon as the port is plugged in again.
port=$(jack_lsp | grep -m1 -i '^tastarion.*:output') || fail "no output port of the program"
mark=$(midi_mark)
xdotool keydown c
wait_midi "$mark" "90 30 60"
jack_disconnect "$port" midi-monitor:input
wait_for 5 sh -c "! jack_lsp -c '$port' | grep -q midi-monitor" || fail "still connected"
xdotool keyup c
xdotool key v key b key n
sleep 0.3
jack_connect "$port" midi-monitor:input
wait_midi "$mark" "90 30 00"
xdotool key m
expect_midi "$mark" "90 30 60
90 30 00
90 37 60
90 37 00"
echo "ok"
