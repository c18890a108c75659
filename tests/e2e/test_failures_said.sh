#!/usr/bin/env bash
# Failures a new user meets, told with their reasons, and ends that always work:
# no display; no sound server (the box, standard error, SIGTERM inside the box);
# a sound server that takes the connection and never answers.
source "$(dirname "$0")/e2e_lib.sh"

# No display at all: a plain message and exit code 1, not Qt's abort.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$PROGRAM" > "$WORK/nodisplay.log" 2>&1 ||
  status=$?
[ "$status" -eq 1 ] || fail "without a display the exit code is $status"
grep -q '^Tastarion cannot show its window: no display' "$WORK/nodisplay.log" ||
  fail "no word about the display: $(cat "$WORK/nodisplay.log")"

start_x
# No sound server of any kind: no JACK server under this name, no PulseAudio.
export JACK_DEFAULT_SERVER="tastarion-none${TASTARION_JACK_SUFFIX:-}" JACK_NO_START_SERVER=1
export XDG_RUNTIME_DIR="$WORK" PULSE_SERVER="unix:$WORK/no-such-socket"

# Starts the program and waits for its window; the box has the same caption.
launch() {
  "$PROGRAM" > "$WORK/program.log" 2> "$WORK/stderr.log" &
  PROGRAM_PID=$!
  PIDS+=("$PROGRAM_PID")
}
# Waits for the program to end after SIGTERM; its exit code must be 0.
expect_clean_end() {
  kill -TERM "$PROGRAM_PID"
  wait_for 10 sh -c "! kill -0 $PROGRAM_PID" || fail "SIGTERM did not end the program"
  local code=0
  wait "$PROGRAM_PID" || code=$?
  [ "$code" -eq 0 ] || fail "the program ended with $code after SIGTERM"
}

launch
wait_for 20 grep -q 'Fail to open Midi out driver.' "$WORK/stderr.log" || fail "no reason on stderr"
grep -q '^FluidSynth GM found no sound output:' "$WORK/stderr.log" || fail "what was tried is missing"
grep -q '^  pulseaudio: ' "$WORK/stderr.log" || fail "the PulseAudio try is not told"
grep -q '^  jack: no JACK server runs.$' "$WORK/stderr.log" || fail "the JACK try is not told"
grep -q '^Start PipeWire, PulseAudio or JACK' "$WORK/stderr.log" || fail "no word on what helps"
# The box says it in the program's words; libjack's own lines come before it, on
# standard error only.
sed -n '/^Fail to open Midi out driver./,/^Start PipeWire/p' "$WORK/stderr.log" > "$WORK/box.txt"
! grep -qi 'JackShm\|Cannot connect to server\|pa_simple_new' "$WORK/box.txt" ||
  fail "the box quotes the libraries: $(cat "$WORK/box.txt")"
grep -q 'JackShmReadWritePtr\|Cannot connect to server' "$WORK/stderr.log" ||
  fail "libjack's lines are lost"
# The box comes up over the window (the reasons go to standard error just before
# it shows), and the signal ends both.
wait_for 10 sh -c "[ \$(xdotool search --onlyvisible --name '^Tastarion ' | wc -l) -ge 2 ]" ||
  fail "no box"
expect_clean_end

# A server that accepts connections on the socket $1 and never says a word.
mute_server() {
  rm -f "$1"
  python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(8)
held = []
while True:
    c, _ = s.accept(); held.append(c)
' "$1" &
  PIDS+=($!)
  AT_EXIT+=("rm -f '$1'")
  wait_for 10 test -S "$1" || fail "no mute socket"
}

mute_server "$WORK/mute-socket"
export PULSE_SERVER="unix:$WORK/mute-socket"
started=$SECONDS
launch
timeout 3 xdotool search --sync --onlyvisible --limit 1 --name '^Tastarion ' > /dev/null ||
  fail "the window waited for the sound server"
wait_for 15 grep -q 'did not answer within' "$WORK/stderr.log" || fail "the hang is not reported"
[ $((SECONDS - started)) -lt 12 ] || fail "the open was given up too late"
expect_clean_end

# SIGTERM while the open still waits for that server: the wait ends with it.
launch
timeout 3 xdotool search --sync --onlyvisible --limit 1 --name '^Tastarion ' > /dev/null ||
  fail "the window waited for the sound server"
started=$SECONDS
expect_clean_end
[ $((SECONDS - started)) -lt 3 ] || fail "the end waited for the sound server"

# A JACK server that takes the connection and never answers holds up the listing
# of the devices: the user hears of it, and SIGTERM still ends the program.
MUTE_JACK="tastarion-mute${TASTARION_JACK_SUFFIX:-}"
mute_server "/dev/shm/jack_${MUTE_JACK}_$(id -u)_0"
export JACK_DEFAULT_SERVER="$MUTE_JACK" PULSE_SERVER="unix:$WORK/no-such-socket"
launch
timeout 3 xdotool search --sync --onlyvisible --limit 1 --name '^Tastarion ' > /dev/null ||
  fail "the window waited for the device list"
wait_for 15 grep -q '^Listing the devices got no answer within 8 seconds' "$WORK/stderr.log" ||
  fail "the stuck listing is not told"
started=$SECONDS
expect_clean_end
[ $((SECONDS - started)) -lt 5 ] || fail "the end waited too long for the listing"

# A JACK server that comes after the start and never answers holds up only the
# thread that follows the ports: the window goes on taking its keys, and SIGTERM
# still ends the program at once.
MUTE_LATE="tastarion-mute-late${TASTARION_JACK_SUFFIX:-}"
export JACK_DEFAULT_SERVER="$MUTE_LATE"
launch
WINDOW=$(timeout 10 xdotool search --sync --onlyvisible --limit 1 --name '^Tastarion ') ||
  fail "no window"
wait_for 20 grep -q 'Fail to open Midi out driver.' "$WORK/stderr.log" || fail "no failure told"
wait_for 5 sh -c "[ \$(xdotool search --onlyvisible --name '^Tastarion ' | wc -l) -ge 2 ]" ||
  fail "no box"
accept_box
mute_server "/dev/shm/jack_${MUTE_LATE}_$(id -u)_0"
sleep 4  # the ports are looked for again within 3 s
focus_program
xdotool key F2
wait_for 5 sh -c "xdotool getwindowname $WINDOW | grep -q 'Recording'" ||
  fail "the window stopped taking keys"
started=$SECONDS
expect_clean_end
[ $((SECONDS - started)) -lt 5 ] || fail "the end waited too long for the port watch"
echo "ok"
