#!/usr/bin/env bash
# Natively on Wayland: the program under a headless sway, keys pressed by their real
# key codes, heard at the JACK monitor. The window carries the desktop entry's id.
source "$(dirname "$0")/e2e_lib.sh"
for tool in sway swaymsg python3; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 0; }
done
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so > /dev/null 2>&1 ||
  { echo "skipped: Qt's Wayland plugin is not installed"; exit 0; }
KEYBOARD_SCRIPT="$(dirname "$0")/wayland_keys.py"

start_sway() {
  # sway refuses to run as root; an unprivileged user stands in then.
  local run="$WORK/sway" as=()
  mkdir -p "$run"
  chmod 700 "$run"
  printf 'xwayland disable\noutput HEADLESS-1 resolution 1024x768\n' > "$run/config"
  if [ "$(id -u)" -eq 0 ]; then
    chmod 711 "$WORK"
    chown -R 65534:65534 "$run"
    as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  fi
  XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    "${as[@]}" sway -c "$run/config" > "$WORK/sway.log" 2>&1 &
  PIDS+=($!)
  wait_for 30 sh -c "ls '$run' | grep -q '^sway-ipc'" || fail "sway did not start"
  wait_for 10 sh -c "ls '$run' | grep -qx 'wayland-[0-9]*'" || fail "sway opened no socket"
  export WAYLAND_DISPLAY="$run/$(ls "$run" | grep -x 'wayland-[0-9]*' | head -n1)"
  export SWAYSOCK="$run/$(ls "$run" | grep '^sway-ipc' | head -n1)"
}

# Whether sway shows a window of app_id $1 that has the focus (print "focused") or not.
window_state() {
  swaymsg -t get_tree | python3 -c '
import json, sys
def walk(node):
    yield node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from walk(child)
for node in walk(json.load(sys.stdin)):
    if node.get("app_id") == sys.argv[1]:
        print("focused" if node.get("focused") else "shown")' "$1"
}

# One virtual keyboard for the whole run, plugged in before the program starts, so that
# the program holds it from its first moment and no key falls between its coming and
# the program taking it up.
start_keyboard() {
  local reply
  coproc KEYBOARD { exec python3 "$KEYBOARD_SCRIPT"; }
  PIDS+=("$KEYBOARD_PID")
  read -r -t 30 -u "${KEYBOARD[0]}" reply && [ "$reply" = ready ] ||
    fail "no virtual keyboard"
}

# Presses keys on the virtual keyboard; returns once the compositor has them.
keys() {
  local reply
  echo "$*" >&"${KEYBOARD[1]}"
  read -r -t 30 -u "${KEYBOARD[0]}" reply && [ "$reply" = "done" ] ||
    fail "the virtual keyboard did not take: $*"
}

program_focused() { [ "$(window_state org.example.Tastarion)" = focused ]; }

start_wayland_program() {
  export XDG_RUNTIME_DIR="$WORK/run"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  unset DISPLAY
  QT_QPA_PLATFORM=wayland "$PROGRAM" > "$WORK/program.log" 2>&1 &
  PROGRAM_PID=$!
  PIDS+=("$PROGRAM_PID")
  # Ended before sway, so that its log does not close on a broken connection.
  AT_EXIT+=("kill $PROGRAM_PID; timeout 10 tail --pid=$PROGRAM_PID -f /dev/null")
  # The desktop entry's id is how sway knows the window; a new window takes the focus.
  wait_for 60 program_focused || {
    swaymsg -t get_tree
    fail "no focused window with app_id org.example.Tastarion"
  }
}

KEY_C=46 KEY_V=47 KEY_SLASH=53 KEY_TAB=15 KEY_PAGEDOWN=109

start_sway
start_keyboard
start_jack
start_wayland_program

# Page Down moves on from the built-in synthesizer until the monitor hears the switch.
for tries in 1 2 3 4 5 6 7 8; do
  keys tap:$KEY_PAGEDOWN
  wait_for 2 grep -q ': c0 00' "$WORK/midi.log" && break
  [ "$tries" -lt 8 ] || fail "the monitor never became the device"
done
sleep 0.3

mark=$(midi_mark)
keys tap:$KEY_C
expect_midi "$mark" "90 30 60
90 30 00"

# A chord held for a second: the compositor's key repeat plays nothing more.
mark=$(midi_mark)
keys down:$KEY_C down:$KEY_V down:$KEY_SLASH sleep:1 up:$KEY_C up:$KEY_V up:$KEY_SLASH
expect_midi "$mark" "90 30 60
91 32 60
92 3c 60
90 30 00
91 32 00
92 3c 00"

# Tab is a piano key here too, not a focus move.
mark=$(midi_mark)
keys tap:$KEY_TAB
expect_midi "$mark" "90 3e 60
90 3e 00"
echo "ok"
