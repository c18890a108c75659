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

# One message on the fifteen note channels: "b" "40 7f" gives b0 40 7f ... bf 40 7f.
note_channels() {
  local channel
  for channel in 0 1 2 3 4 5 6 7 8 a b c d e f; do echo "$1$channel $2"; done
}
# The pedal, on the fifteen note channels, as Space gives it.
pedal() { note_channels b "$1"; }
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
save_take "$WORK/run/keyboard.mid"
read_back=$(take_messages "$WORK/run/keyboard.mid" | awk '$2 == "note" || ($2 == "cc" && $3 == 0)')
echo "$read_back" | awk '
  { kind[NR] = $2 " " $4 " " $5; at[NR] = $1 }
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

# The wheels, controllers and pressures of a keyboard while its notes sound,
# over a fine pitch of 3 cents (bend 00 41) and a transposition of +1: the bend
# goes to every channel on top of the fine pitch's (the metronome's keeps the
# fine pitch alone), the controllers to the fifteen note channels, the channel
# pressure of the first input channel to its two notes' channels only, the key pressure
# to its note's channel with the note as it sounds.
focus_program
xdotool key Right Right Right Insert
sleep 0.5
bends() {
  local channel
  for channel in 0 1 2 3 4 5 6 7 8 9 a b c d e f; do
    if [ "$channel" = 9 ]; then echo "e9 00 41"; else echo "e$channel $1"; fi
  done
}
xdotool key F2
wait_for 5 sh -c "xdotool getwindowname $WINDOW | grep -q 'Recording'" || fail "no recording"
mark=$(midi_mark)
keys "90 3c 64" "90 3e 60" "91 40 50" "sleep 0.1; e0 00 50" "b0 01 40" "b0 0b 64" "d0 30" \
  "a1 40 22" "sleep 0.1; 80 3c 00" "80 3e 00" "81 40 00"
pressures_and_ends="d0 30
d1 30
a2 41 22
90 3d 00
91 3f 00
92 41 00"
expected_live="90 3d 64
91 3f 60
92 41 50
$(bends "00 51")
$(note_channels b "01 40")
$(note_channels b "0b 64")
$pressures_and_ends"
expect_midi "$mark" "$expected_live"
# The take ends with the wheel still off its centre and the modulation on.
focus_program
save_take "$WORK/run/wheels.mid"
read_back=$(take_messages "$WORK/run/wheels.mid" | cut -d' ' -f2-)
# Bend 00 51 is 10368, 2176 above the centre; each shared value on the three
# channels whose notes sound, the volume the keyboard set earlier (controller 7)
# with each note.
expected_take="note 0 61 100
cc 0 7 100
note 1 63 96
cc 1 7 100
note 2 65 80
cc 2 7 100
pitchwheel 0 2176
pitchwheel 1 2176
pitchwheel 2 2176
cc 0 1 64
cc 1 1 64
cc 2 1 64
cc 0 11 100
cc 1 11 100
cc 2 11 100
aftertouch 0 48
aftertouch 1 48
polytouch 2 65 34
note 0 61 0
note 1 63 0
note 2 65 0"
[ "$read_back" = "$expected_take" ] ||
  { echo "$read_back"; fail "mido reads other wheels in the take"; }
# The keyboard's wheels back at rest, the replay sends them again on the
# recorded channels, and ends with the wheel at the fine pitch's bend and the
# modulation at 0 where they moved.
mark=$(midi_mark)
keys "e0 00 40" "b0 01 00"
expect_midi "$mark" "$(bends "00 41")
$(note_channels b "01 00")"
focus_program
mark=$(midi_mark)
xdotool key F3
expected_replay="90 3d 64
b0 07 64
91 3f 60
b1 07 64
92 41 50
b2 07 64
e0 00 51
e1 00 51
e2 00 51
b0 01 40
b1 01 40
b2 01 40
b0 0b 64
b1 0b 64
b2 0b 64
$pressures_and_ends"
replay_count=$(echo "$expected_replay" | wc -l)
wait_for 10 sh -c "[ \$(tail -n +$mark '$WORK/midi.log' | wc -l) -gt $replay_count ]" ||
  fail "the replay sent too little"
sleep 1
replayed=$(midi_since "$mark")
[ "$(echo "$replayed" | head -n "$replay_count")" = "$expected_replay" ] ||
  { echo "$replayed"; fail "the replay sent other wheels"; }
echo "$replayed" | tail -n +$((replay_count + 1)) > "$WORK/replay_rest"
for channel in 0 1 2; do
  [ "$(grep "^e$channel " "$WORK/replay_rest" | tail -n1)" = "e$channel 00 41" ] ||
    { echo "$replayed"; fail "the replay left channel $channel's wheel off its rest"; }
  [ "$(grep "^b$channel 01 " "$WORK/replay_rest" | tail -n1)" = "b$channel 01 00" ] ||
    { echo "$replayed"; fail "the replay left channel $channel's modulation on"; }
done

# The program's own input is no output device (it would play its notes again
# and again): from the monitor, Page Down goes straight to the last row, the
# program's own output port.
focus_program
xdotool key Page_Down
wait_for 5 sh -c 'jack_lsp | grep -qx Tastarion:output' || fail "Page Down went to the input port"

# The start found a JACK server: nothing was said about the input.
! grep -q 'No MIDI input port' "$WORK/program.log" || fail "a failure was told"
echo "ok"
