#!/usr/bin/env bash
# The command line as a user or a packager's script meets it, with no display and
# no sound server to fall back on: --help and --version answer on standard output
# with 0, a mistyped option is named on standard error with the usage and 2, and
# Qt's own options, with their values, are let through.
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
expect_answer "stray argument" 2 "" "unexpected argument 'song.mid'" song.mid

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
echo "ok: --help, --version and unknown options answer without a display"
