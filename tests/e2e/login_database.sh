#!/usr/bin/env bash
# The firm's database at the login, on the real program under a window manager: a
# database whose file is named in other letters than the firm's folder (demo_YEAR for the
# folder DEMO) is the firm's and opens without a word; a database that is not there is
# asked about before anything is made: the default answer (Enter) is no, which ends the
# program with the failed connection's message and makes nothing; yes makes it, and the
# frame comes up. Screenshots go to the output folder.
#   login_database.sh BUILD_DIR OUTPUT_DIR
# Runs itself under xvfb-run when no display is set.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
on_display "$@"
start_window_manager
lay_out_demo
STORE="$ROOT/localdb"
start() {
  start_program
  wait_for "the login window" window_titled '^SQL Azure$' >/dev/null
}
databases() { (cd "$STORE" && ls -1 ./*.sqlite | sed 's|^\./||' | sort | tr '\n' ' '); }
CAPTION="Stambena zajednica Demo \\($YEAR\\)"

# The firm's database under a name in small letters: found, nothing made beside it.
mv "$STORE/DEMO_$YEAR.sqlite" "$STORE/demo_$YEAR.sqlite"
start
key_to '^SQL Azure$' alt+c
wait_for "the frame" window_titled "$CAPTION" >/dev/null
shot login_database_found.png
UNITS="$(sqlite3 -cmd ".load $BUILD/libkvci" "$STORE/demo_$YEAR.sqlite" "SELECT COUNT(*) FROM KVADRIN")"
[ "$(databases)" = "VERZIJE.sqlite demo_$YEAR.sqlite " ] || { echo "databases: $(databases)" >&2; exit 1; }
[ "$UNITS" -gt 0 ] || { echo "the firm's units are not there" >&2; exit 1; }
kill "$PID"
wait_for "the program to end" program_ended
PID=

# No database: the question, whose default (Enter) is no; the failed connection follows.
mv "$STORE/demo_$YEAR.sqlite" "$ROOT/saved.sqlite"
start
key_to '^SQL Azure$' alt+c
wait_for "the question" window_titled '^Nova baza podataka$' >/dev/null
shot login_database_question.png
[ "$(databases)" = "VERZIJE.sqlite " ] || { echo "made before the answer: $(databases)" >&2; exit 1; }
key_to '^Nova baza podataka$' Return
# The failed connection's message: no caption (a blank one, never the program's name).
message() { for w in $(xdotool search --onlyvisible --pid "$PID" 2>/dev/null); do
  [ "$(xdotool getwindowname "$w")" = " " ] && echo "$w" && return 0; done; return 1; }
wait_for "the failed connection's message" message >/dev/null
shot login_database_refused.png
W="$(message)"
xdotool windowactivate --sync "$W" 2>/dev/null || xdotool windowfocus --sync "$W"
xdotool key Return
wait_for "the program to end at the message" program_ended
PID=
[ "$(databases)" = "VERZIJE.sqlite " ] || { echo "made without a yes: $(databases)" >&2; exit 1; }

# Yes makes the database, and the frame comes up on it.
start
key_to '^SQL Azure$' alt+c
wait_for "the question" window_titled '^Nova baza podataka$' >/dev/null
key_to '^Nova baza podataka$' alt+d
wait_for "the frame" window_titled "$CAPTION" >/dev/null
shot login_database_made.png
[ "$(databases)" = "DEMO_$YEAR.sqlite VERZIJE.sqlite " ] || { echo "databases: $(databases)" >&2; exit 1; }
echo "login database: found by any case, asked before it is made"
