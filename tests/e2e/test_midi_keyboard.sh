#!/usr/bin/env bash
# A MIDI keyboard on the JACK server, wired by hand to the program's input port:
# notes on several channels with their velocities, a chord of sixteen, the pedal,
# whatever else a port may carry, a flood, and a take read back by mido and
# replayed.
# Events go through two JACK clients before the monitor hears them: a longer
# period keeps a loaded machine from losing some of them in an xrun.
export E2E_JACK_PERIOD=256
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/midi_keys_lib.sh"
start_all_in_run_dir
switch_to_monitor

wait_for 10 sh -c "jack_lsp | grep -qx $INPUT" || fail "no input port $INPUT"
# Nothing is wired to it by the program.
[ "$(jack_lsp -c "$INPUT" | wc -l)" -eq 1 ] || fail "the input port is connected"

start_keys

# Several input channels, each note on its own slot with its own velocity; a
# note-off ends only what its own channel and note started.
mark=$(midi_mark)
keys "92 3c 21" "9f 3c 7f" "95 40 01" "83 3c 00" "82 3c 40" "95 40 00" "9f 3c 00"
expect_midi "$mark" "90 3c 21
91 3c 7f
92 40 01
90 3c 00
92 40 00
91 3c 00"

# Sixteen at once: fifteen channels, never the metronome's; the sixteenth is silent.
chord_on=() chord_off=() expected_on="" expected_off=""
slots=(0 1 2 3 4 5 6 7 8 a b c d e f)
for i in $(seq 0 15); do
  note=$(printf '%02x' $((40 + i)))
  chord_on+=("90 $note 50")
  chord_off+=("80 $note 00")
  if [ "$i" -lt 15 ]; then
    expected_on+="9${slots[i]} $note 50"$'\n'
    expected_off+="9${slots[i]} $note 00"$'\n'
  fi
done
mark=$(midi_mark)
keys "${chord_on[@]}" "${chord_off[@]}"
expect_midi "$mark" "${expected_on}${expected_off%$'\n'}"

# The pedal, on the fifteen note channels, as Space gives it.
pedal() {
  local channel
  for channel in 0 1 2 3 4 5 6 7 8 a b c d e f; do echo "b$channel $1"; done
}
mark=$(midi_mark)
keys "b7 40 7f" "b7 40 7f" "b7 07 64" "b7 40 00"
expect_midi "$mark" "$(pedal "40 7f")
$(pedal "07 64")
$(pedal "40 00")"

# What no keyboard should send changes nothing, and the PC keyboard plays on;
# a wheel at its centre puts every channel at the fine pitch's bend (centre).
mark=$(midi_mark)
keys "f0 7e 7f 09 01 f7" "3c 64" "90 3c" "90 bc 64" "b0 40" "c0 05" "e0 00 40" "f8" \
  "90 3e 50" "80 3e 00"
focus_program
xdotool key c
expect_midi "$mark" "$(for c in 0 1 2 3 4 5 6 7 8 9 a b c d e f; do echo "e$c 00 40"; done)
90 3e 50
90 3e 00
90 30 60
90 30 00"

# Thousands of notes a second: whatever of them sounds ends, and the program
# plays on with every slot free.
keys "flood 4000"
sleep 1
mark=$(midi_mark)
keys "${chord_on[@]}" "${chord_off[@]}"
expect_midi "$mark" "${expected_on}${expected_off%$'\n'}"

# A take of the keyboard: the file keeps the velocities and the timing played.
focus_program
xdotool key F2
wait_for 5 sh -c "xdotool getwindowname $WINDOW | grep -q 'Recording'" || fail "no recording"
keys "sleep 0.2; 91 3c 28; sleep 0.3; 81 3c 00; sleep 0.2; 91 43 6e; b1 40 7f; sleep 0.2; 81 43 00; b1 40 00"
focus_program
xdotool key F2
accept_save_dialog "$WORK/run/keyboard.mid"
wait_for 10 test -s "$WORK/run/keyboard.mid" || fail "no keyboard.mid"
read_back=$("$PYTHON" - "$WORK/run/keyboard.mid" << 'EOF_PY'
import sys, mido
ms = 0
for m in mido.MidiFile(sys.argv[1]).tracks[0]:
    ms += m.time  # ticks are milliseconds
    if m.type == "note_on":
        print("note", m.note, m.velocity, ms)
    elif m.type == "control_change" and m.channel == 0:
        print("cc", m.control, m.value, ms)
EOF_PY
)
echo "$read_back" | awk '
  { kind[NR] = $1 " " $2 " " $3; at[NR] = $4 }
  END {
    # The volume the keyboard set before (controller 7) goes with the note.
    want[1] = "note 60 40"; want[2] = "cc 7 100"; want[3] = "note 60 0"
    want[4] = "note 67 110"; want[5] = "cc 64 127"; want[6] = "note 67 0"; want[7] = "cc 64 0"
    if (NR != 7) exit 1
    for (i = 1; i <= 7; i++) if (kind[i] != want[i]) exit 1
    if (at[2] != at[1]) exit 1
    # 300, 200 and 200 ms apart, as played (a loaded machine may add a little).
    gap = at[3] - at[1]; if (gap < 280 || gap > 380) exit 1
    gap = at[4] - at[3]; if (gap < 180 || gap > 280) exit 1
    gap = at[6] - at[4]; if (gap < 180 || gap > 280) exit 1
  }' || { echo "$read_back"; fail "mido reads another take"; }
focus_program
mark=$(midi_mark)
xdotool key F3
expect_midi "$mark" "90 3c 28
b0 07 64
90 3c 00
90 43 6e
$(pedal "40 7f")
90 43 00
$(pedal "40 00")"

# The program's own input is no output device (it would play its notes again
# and again): from the monitor, Page Down goes straight to the last row, the
# program's own output port.
focus_program
xdotool key Page_Down
wait_for 5 sh -c 'jack_lsp | grep -qx Tastarion:output' || fail "Page Down went to the input port"

# The start found a JACK server: nothing was said about the input.
! grep -q 'No MIDI input port' "$WORK/program.log" || fail "a failure was told"
echo "ok"
