# Shared by the MIDI input tests, sourced after e2e_lib.sh: a MIDI keyboard on
# the JACK server (midi_keys.py) wired to the program's input port $INPUT.
PYTHON=""
for candidate in /usr/bin/python3 python3; do
  if "$candidate" -c 'import mido, rtmidi' 2> /dev/null; then PYTHON=$candidate; break; fi
done
[ -n "$PYTHON" ] || { echo "skipped: python3-mido or python3-rtmidi is not installed"; exit 0; }
KEYS_PY="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/midi_keys.py"
INPUT=Tastarion:midi_in

# The keyboard: lines written to its standard input are events (midi_keys.py).
start_keys() {
  rm -f "$WORK/keys.fifo"
  mkfifo "$WORK/keys.fifo"
  "$PYTHON" "$KEYS_PY" < "$WORK/keys.fifo" > "$WORK/keys.log" 2>&1 &
  PIDS+=($!)
  exec 4> "$WORK/keys.fifo"
  wait_for 10 grep -q '^ready$' "$WORK/keys.log" || fail "the keyboard did not start"
  jack_connect e2e-keys:out "$INPUT" || fail "no connection to the input port"
  sleep 0.3
}
# Sends each argument as a line and waits until the keyboard has sent them all.
keys() {
  local line before
  for line in "$@"; do
    before=$(grep -c '^sent$' "$WORK/keys.log" || true)
    echo "$line" >&4
    wait_for 10 sh -c "[ \$(grep -c '^sent\$' '$WORK/keys.log') -gt $before ]" ||
      fail "the keyboard did not send '$line'"
  done
}
