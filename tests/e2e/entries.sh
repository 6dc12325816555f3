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

# A failed wait ends the script as a failure does.
wait_failed() { fail "$1"; }
rows() { firm_sql "$1" | tr '\n' '|'; }

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

exit_program
echo "ok"
