#!/usr/bin/env bash
# The command line as a user or a packager's script meets it, with no display and
# no sound server to fall back on: --help and --version answer on standard output
# with 0, a mistyped option is named on standard error with the usage and 2,
# Qt's own options, with their values, are let through, and --render turns a
# MIDI file into audio.
# Usage: check_command_line.sh path/to/tastarion expected-version
set -uo pipefail

PROGRAM=${1:?usage: $0 path/to/tastarion version}
VERSION=${2:?usage: $0 path/to/tastarion version}
WORK=$(mktemp -d /tmp/tastarion-cli.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Runs the program with the given arguments, in the locale LANG_FOR_RUN (C.UTF-8
# unless told); sets status, out and err. Nothing it
# could show a window on or sound through is reachable, and a program that
# starts instead of answering is ended after a few seconds.
run() {
  status=0
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u PULSE_SERVER \
    -u LC_ALL -u LC_MESSAGES LANG="${LANG_FOR_RUN:-C.UTF-8}" LANGUAGE="${LANGUAGE_FOR_RUN:-}" \
    XDG_RUNTIME_DIR="$WORK/no-runtime" JACK_NO_START_SERVER=1 \
    timeout -k 2 10 "$PROGRAM" "$@" > "$WORK/out" 2> "$WORK/err" < /dev/null || status=$?
  out=$(cat "$WORK/out")
  err=$(cat "$WORK/err")
}

# expect_answer "what" status stdout-pattern stderr-pattern args...: an empty
# pattern means that stream must stay empty.
expect_answer() {
  local what="$1" want_status="$2" out_pattern="$3" err_pattern="$4"
  shift 4
  run "$@"
  [ "$status" -eq "$want_status" ] || fail "$what: exit code $status, not $want_status"
  if [ -z "$out_pattern" ]; then
    [ -z "$out" ] || fail "$what: unexpected standard output: $out"
  else
    grep -qE "$out_pattern" <<< "$out" || fail "$what: standard output lacks /$out_pattern/: $out"
  fi
  if [ -z "$err_pattern" ]; then
    [ -z "$err" ] || fail "$what: unexpected standard error: $err"
  else
    grep -qE "$err_pattern" <<< "$err" || fail "$what: standard error lacks /$err_pattern/: $err"
  fi
}

version_line="^Tastarion ${VERSION//./\\.}\$"
usage='^Usage: tastarion '

for option in --help -h; do
  expect_answer "$option" 0 "$usage" "" "$option"
  grep -q -- '--version' <<< "$out" || fail "$option does not mention --version"
done
for option in --version -v; do
  expect_answer "$option" 0 "$version_line" "" "$option"
  [ "$(wc -l <<< "$out")" -eq 1 ] || fail "$option prints more than one line: $out"
done

expect_answer "unknown option" 2 "" "unknown option '--frobnicate'" --frobnicate
grep -qE "$usage" <<< "$err" || fail "unknown option: no usage on standard error"
expect_answer "unknown single-dash option" 2 "" "unknown option '-x'" -x --help
expect_answer "Qt option without its value" 2 "" "'-platform' needs a value" -platform
expect_answer "a second file" 2 "" "unexpected argument 'b.mid'" a.mid b.mid

# --render: a MIDI file written by another program becomes audio with no
# display and no sound server, of the file's length plus the release tail; a
# bad file, a wrong name or a missing argument leave an existing output alone.
PYTHON=
for candidate in /usr/bin/python3 python3; do
  if "$candidate" -c 'import mido' 2> /dev/null; then PYTHON=$candidate && break; fi
done
if [ -n "$PYTHON" ]; then
  "$PYTHON" - "$WORK/song.mid" << 'EOF_PY'
import sys, mido
song = mido.MidiFile(type=1, ticks_per_beat=96)
tempo, part = mido.MidiTrack(), mido.MidiTrack()
song.tracks += [tempo, part]
tempo.append(mido.MetaMessage('set_tempo', tempo=500000, time=0))
tempo.append(mido.MetaMessage('set_tempo', tempo=250000, time=192))
for i in range(8):
    part.append(mido.Message('note_on', note=60 + i, velocity=96, time=0 if i == 0 else 48))
    part.append(mido.Message('note_off', note=60 + i, velocity=64, time=48))
song.save(sys.argv[1])
EOF_PY
  # Two beats at 120, then six at 240: 2.5 s.
  for type in wav flac ogg; do
    expect_answer "--render to .$type" 0 "" "" --render "$WORK/song.mid" "$WORK/song.$type"
    [ -s "$WORK/song.$type" ] || fail "--render to .$type wrote nothing"
  done
  seconds=$("$PYTHON" -c 'import sys, wave; w = wave.open(sys.argv[1]); print(w.getnframes() / w.getframerate())' "$WORK/song.wav")
  "$PYTHON" -c 'import sys; s = float(sys.argv[1]); sys.exit(not 2.5 < s <= 2.5 + 11)' "$seconds" ||
    fail "--render: $seconds s of audio for a file of 2.5 s"
  ls -a "$WORK" | grep -q '\.tmp' && fail "--render left a temporary file: $(ls -a "$WORK")"
  cp "$WORK/song.wav" "$WORK/kept.wav"
  printf 'RIFF....WAVE' > "$WORK/not.mid"
  expect_answer "--render of no MIDI file" 1 "" "not.mid is not a MIDI file" \
    --render "$WORK/not.mid" "$WORK/song.wav"
  cmp -s "$WORK/song.wav" "$WORK/kept.wav" || fail "--render of a bad file changed the output"
  expect_answer "--render of a missing file" 1 "" "none.mid cannot be opened" \
    --render "$WORK/none.mid" "$WORK/song.wav"
  expect_answer "--render to an unknown type" 2 "" "audio type of '.*song.mp3' is not known" \
    --render "$WORK/song.mid" "$WORK/song.mp3"
  expect_answer "--render into no folder" 1 "" "cannot be written" \
    --render "$WORK/song.mid" "$WORK/none/song.wav"
else
  echo "skipped --render: python3-mido is not installed"
fi
expect_answer "--render without its files" 2 "" "'--render' needs a MIDI file and an audio file" \
  --render song.mid

# Qt's options and their values pass, even a value that looks like ours.
expect_answer "Qt options before --version" 0 "$version_line" "" \
  -platform offscreen --style Fusion -stylesheet=none.qss -reverse --version
expect_answer "a window title of --help" 0 "$version_line" "" -qwindowtitle --help -v

# The players' languages answer in their own words, a mistyped option too; the
# C, POSIX and English locales keep the English to the letter.
run --help
english="$out"
for language in "de_DE.UTF-8 Aufruf Tasten unbekannte" "fr_FR.UTF-8 Utilisation touches inconnue" \
  "es_ES.UTF-8 Uso teclas desconocida" "ja_JP.UTF-8 使い方 キーボード 不明な"; do
  read -r locale usage_word word unknown_word <<< "$language"
  LANG_FOR_RUN="$locale" run --help
  [ "$status" -eq 0 ] || fail "$locale --help: exit code $status"
  [ "$out" != "$english" ] || fail "$locale --help is the English text"
  grep -q "^$usage_word" <<< "$out" && grep -q "$word" <<< "$out" ||
    fail "$locale --help lacks '$usage_word' or '$word': $out"
  LANG_FOR_RUN="$locale" run --frobnicate
  grep -q "$unknown_word.*--frobnicate" <<< "$err" || fail "$locale unknown option: $err"
done
for locale in C POSIX en_US.UTF-8 en_GB.UTF-8; do
  LANG_FOR_RUN="$locale" run --help
  [ "$out" = "$english" ] || fail "$locale --help is not the English text: $out"
done
LANGUAGE_FOR_RUN=de LANG_FOR_RUN=C run --help
[ "$out" = "$english" ] || fail "LANGUAGE=de under the C locale changed --help: $out"

# A version nobody could read is a failure, not a success.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$PROGRAM" --version > /dev/full 2> /dev/null ||
  status=$?
[ "$status" -eq 1 ] || fail "--version into a full disk: exit code $status, not 1"

[ "$failures" -eq 0 ] || exit 1
echo "ok: --help, --version, --render and unknown options answer without a display"
