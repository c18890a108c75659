#!/usr/bin/env bash
# A save into a read-only place is told, and the box leads back to the save dialog
# for another place; the dialog asks before it replaces a file; SIGTERM inside the
# save dialog saves the take under the default name, then ends the program cleanly.
source "$(dirname "$0")/e2e_lib.sh"
start_x
start_jack
PROGRAM=$(realpath "$PROGRAM")
mkdir "$WORK/run" "$WORK/locked" "$WORK/open"
cd "$WORK/run"
# Read-only even for root: a read-only file system where one can be mounted.
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o ro tastarion-e2e "$WORK/locked" 2> /dev/null; then
  AT_EXIT+=('umount -l "$WORK/locked" 2> /dev/null')
  reason="Read-only file system"
elif [ "$(id -u)" -ne 0 ]; then
  chmod a-w "$WORK/locked"
  reason="Permission denied"
else
  echo "skipped: no read-only place for root here"
  exit 0
fi
start_program

xdotool key F2
sleep 0.2
xdotool key c
xdotool key F2
accept_save_dialog "$WORK/locked/take.mid"
wait_for 10 grep -q "^Could not save the recording to \"$WORK/locked/take.mid\": $reason\." \
  "$WORK/program.log" || fail "the failed save is not told"
grep -q '^The recording is kept; F3 replays it. Save it elsewhere?$' "$WORK/program.log" ||
  fail "the box does not offer another place"
# The box's default answer is the save dialog again.
accept_box
accept_save_dialog "$WORK/open/take.mid"
wait_for 10 test -s "$WORK/open/take.mid" || fail "the second place got no file"
[ "$(stat -c %s "$WORK/open/take.mid")" -eq 50 ] || fail "the saved file is not whole"
/usr/bin/python3 -c '
import mido, sys
notes = [(m.type, m.note, m.velocity) for m in mido.MidiFile(sys.argv[1]).tracks[0] if m.type == "note_on"]
assert notes == [("note_on", 48, 96), ("note_on", 48, 0)], notes
' "$WORK/open/take.mid" || fail "mido reads another recording"
[ "$(grep -c '^終了 byte=32$' "$WORK/program.log")" -eq 1 ] || fail "the save trace line is not there once"

# The save dialog asks before it replaces a file: No leaves the file and the
# dialog open, Yes replaces it.
focus_program
xdotool key F2
sleep 0.2
xdotool key c key v
xdotool key F2
accept_save_dialog "$WORK/open/take.mid"
dialog=$(xdotool search --onlyvisible --name 'mid記録ファイル' | head -n1)
# Answers the question that the dialog asks over itself with the key $1.
answer_question() {
  local question
  wait_for 10 sh -c "[ \$(xdotool search --onlyvisible --name 'mid記録ファイル' | wc -l) -ge 2 ]" ||
    fail "no question before replacing"
  question=$(xdotool search --onlyvisible --name 'mid記録ファイル' | grep -vx "$dialog" | head -n1)
  xdotool windowfocus "$question"
  wait_for 5 sh -c "[ \"\$(xdotool getwindowfocus)\" = $question ]" || fail "no focus on the question"
  xdotool key "$1"
}
answer_question Return  # No, the default
wait_for 5 sh -c "[ \$(xdotool search --onlyvisible --name 'mid記録ファイル' | wc -l) -eq 1 ]" ||
  fail "the question stayed"
sleep 0.3
[ "$(stat -c %s "$WORK/open/take.mid")" -eq 50 ] || fail "the file was replaced after No"
accept_save_dialog "$WORK/open/take.mid"
answer_question alt+y
wait_for 10 sh -c "[ \$(stat -c %s '$WORK/open/take.mid') -eq 64 ]" || fail "Yes did not replace the file"

# SIGTERM while the save dialog is open (a logout, a closed terminal): the take
# is saved under the default name, as a closed dialog saves it, then a clean end.
focus_program
xdotool key F2 key c key F2
timeout 10 xdotool search --sync --onlyvisible --limit 1 --name 'mid記録ファイル' > /dev/null ||
  fail "the save dialog did not show again"
kill -TERM "$PROGRAM_PID"
wait_for 10 sh -c "! kill -0 $PROGRAM_PID" || fail "SIGTERM did not end the program"
code=0
wait "$PROGRAM_PID" || code=$?
[ "$code" -eq 0 ] || fail "exit code $code after SIGTERM in the dialog"
[ "$(ls -A "$WORK/run")" = vemola.mid ] || fail "the run directory holds: $(ls -A "$WORK/run")"
grep -qx 'file=vemola.mid' "$WORK/program.log" || fail "the default save was not told"
/usr/bin/python3 -c '
import mido, sys
notes = [(m.note, m.velocity) for m in mido.MidiFile(sys.argv[1]).tracks[0] if m.type == "note_on"]
assert notes == [(48, 96), (48, 0)], notes
' "$WORK/run/vemola.mid" || fail "mido reads another take in vemola.mid"
echo "ok"
