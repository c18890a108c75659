# A PipeWire desktop's sound without a desktop: PipeWire, WirePlumber (which
# gives a null sink) and pipewire-pulse inside a D-Bus session of their own, all
# in one process group. Sourced by e2e and bench scripts, which provide WORK,
# wait_for and AT_EXIT. Points XDG_RUNTIME_DIR at $WORK (private, mode 0700).
# Ends a test as skipped where PipeWire is not installed; fails it where PipeWire
# is, but one of the tools named is not.
skip_without_pipewire() {
  if ! command -v pipewire > /dev/null; then
    echo "skipped: pipewire is not installed"
    exit 0
  fi
  local tool
  for tool in "$@"; do
    command -v "$tool" > /dev/null || fail "PipeWire is installed, $tool is not"
  done
}

start_pipewire() {
  local tool
  for tool in pipewire wireplumber pipewire-pulse dbus-run-session pw-link pw-dump; do
    command -v "$tool" > /dev/null || { echo "PipeWire is installed, $tool is not" >&2; return 1; }
  done
  chmod 700 "$WORK"
  export XDG_RUNTIME_DIR="$WORK"
  setsid dbus-run-session -- sh -c \
    'pipewire & sleep 0.5; wireplumber & sleep 0.5; pipewire-pulse & wait' \
    > "$WORK/pipewire.log" 2>&1 &
  PIPEWIRE_GROUP=$!
  AT_EXIT+=("kill -TERM -- -$PIPEWIRE_GROUP 2> /dev/null; sleep 0.3")
  # The null sink's ports appear once WirePlumber runs.
  wait_for 20 sh -c 'pw-link -i | grep -q "^auto_null:playback_FL"' || {
    cat "$WORK/pipewire.log" >&2
    echo "the headless PipeWire did not come up" >&2
    return 1
  }
}
