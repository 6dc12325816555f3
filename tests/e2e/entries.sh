#!/usr/bin/env bash
# The entries of the real program's forms on a virtual X display with a window manager
# (openbox): in the units form an area the picture refuses ("NaN") keeps the focus, and
# Escape still reaches the cancel question, whose Yes stores nothing; in the services form
# Alt with a key that is no hot key (Alt+Q over the selected name) types nothing, and the
# name is saved as it was typed.
# Screenshots of each step go to the output folder; the tables are read with sqlite3.
#   entries.sh BUILD_DIR OUTPUT_DIR
# Runs itself under xvfb-run when no display is set.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
on_display "$@"
start_window_manager

lay_out_demo
start_program

fail() {
  echo "$1" >&2
  shot "entries_failed.png" || true
  cat "$ROOT/kvadrin.log" >&2
  exit 1
}
# A wait that fails ends the same way.
wait_failed() { fail "$1"; }
# The forms are windows inside the frame, not windows of the desktop: a form has opened
# when the frame has been drawn anew after the key that opens it.
open_form() {
  mark "$FRAME"
  xdotool key Insert
  wait_for "$1" redrawn "$FRAME"
}
rows() { sqlite3 -cmd ".load $BUILD/libkvci" "$DB" "$1" | tr '\n' '|'; }
answer_yes() { key_to "$1" shift+Tab space || fail "the question $1 was not answered"; }

connect_to_frame
wait_for "the splash to close" visible 1
frame_origin


# The units: a new unit 88 with "NaN" in its area, refused on Tab; Escape asks, Yes leaves.
UNITS_BEFORE="$(rows 'SELECT BROJ FROM KVADRIN ORDER BY BROJ')"
open_register 1
open_form "the units form"
xdotool type --delay 80 "88"
xdotool key alt+p
xdotool type --delay 80 "NaN"
xdotool key Tab
wait_for "the refused area to settle" still "$FRAME"
shot entries_area_refused.png
xdotool key Escape
wait_for "the cancel question" window_titled '^Changes will be lost!$' >/dev/null
shot entries_cancel_question.png
mark "$FRAME"
answer_yes '^Changes will be lost!$'
wait_for "the form to close" redrawn "$FRAME"
shot entries_form_cancelled.png
[ "$(rows 'SELECT BROJ FROM KVADRIN ORDER BY BROJ')" = "$UNITS_BEFORE" ] ||
  fail "the cancelled unit was stored: $(rows 'SELECT BROJ, POVRSINA FROM KVADRIN')"

# The services: Alt+Q over the selected name leaves it; OK saves it as typed.
open_register 2
open_form "the services form"
xdotool type --delay 80 "8"
xdotool key Tab
xdotool type --delay 50 "Stambena zajednica Demo"
mark "$FRAME"
xdotool key shift+Home alt+q
wait_for "the name selected" redrawn "$FRAME"
shot entries_alt_q.png
xdotool key alt+o
wait_for "service 8 stored" eval '[ -n "$(rows "SELECT NAZIV FROM OBAVEZE WHERE SIFRA = '"'8'"'")" ]'
NAME="$(rows "SELECT NAZIV FROM OBAVEZE WHERE SIFRA = '8'")"
# The name's picture takes 20 characters; Alt+Q would have replaced them with "q".
[ "$NAME" = "Stambena zajednica D|" ] || fail "service 8 was stored as $NAME"

xdotool windowactivate --sync "$FRAME" 2>/dev/null || true
xdotool key alt+f
wait_for "the File menu" visible 2
xdotool key x
wait_for "the program to end at Exit" program_ended
wait "$PID" || true
PID=
echo "ok"
