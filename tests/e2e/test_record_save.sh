#!/usr/bin/env bash
# F2, a few keys, F2: the save dialog accepted with Enter writes vemola.mid into
# the working directory, and the trace lines reach standard output.
source "$(dirname "$0")/e2e_lib.sh"
start_all_in_run_dir

xdotool key F2
wait_for 5 sh -c "xdotool getwindowname $WINDOW | grep -q ' \[Recording\.\.\.\]\$'" ||
  fail "the title does not show the recording"
xdotool key c
sleep 0.2
xdotool key v
xdotool key F2

accept_save_dialog

wait_for 10 test -s "$WORK/run/vemola.mid" || fail "no vemola.mid in the working directory"
# Header, track length 4 * 7 + 7, then the records' messages: c (note 48) on
# channel 1 on and off, v (note 50) likewise, and the end of track.
bytes=$(od -An -v -tx1 "$WORK/run/vemola.mid" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
set -- $bytes
[ $# -eq 64 ] || fail "vemola.mid has $# bytes: $bytes"
[ "${*:1:22}" = "4d 54 68 64 00 00 00 06 00 00 00 01 02 00 4d 54 72 6b 00 00 00 2a" ] ||
  fail "header: ${*:1:22}"
messages=""
[ "${*:23:7}" = "00 ff 51 03 07 d0 00" ] || fail "no millisecond tempo: ${*:23:7}"
for offset in 34 41 48 55 62; do messages+="${*:offset:3};"; done
[ "$messages" = "90 30 60;90 30 00;90 32 60;90 32 00;ff 2f 00;" ] || fail "records: $bytes"

wait_for 5 grep -q '^終了 byte=40$' "$WORK/program.log" || fail "no save trace line"
traces=$(grep -E '^(on|off) ch=|^delta=|^終了' "$WORK/program.log" | sed -E 's/time=[0-9A-F]+/time=T/; s/delta=[0-9A-F]+,/delta=D,/')
expected="on ch=0 time=T
delta=D, stat=90, pitch=30, vol=60
off ch=0 time=T
delta=D, stat=90, pitch=30, vol=0
on ch=0 time=T
delta=D, stat=90, pitch=32, vol=60
off ch=0 time=T
delta=D, stat=90, pitch=32, vol=0
delta=D, stat=FF, pitch=2F, vol=0
終了 byte=40"
[ "$traces" = "$expected" ] || { echo "$traces"; fail "trace lines differ"; }
# The title is the version line alone again, without the status blanks.
title=$(xdotool getwindowname "$WINDOW")
[[ "$title" =~ ^Tastarion\ .*[^\ ]$ ]] || fail "title after saving: '$title'"
echo "ok"
