#!/usr/bin/env bash
# The frame's windows on the real program under a window manager (openbox): the splash
# without caption or frame; three registers opened from the menu, cascaded and tiled from
# the Window menu; a question answered by its letter without a click; the cancel
# question's box wide enough for its caption; the registers closed by Escape and by
# Ctrl+F4; Exit. Screenshots of each step go to the output folder.
#   frame_windows.sh BUILD_DIR OUTPUT_DIR
# Runs itself under xvfb-run when no display is set.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
on_display "$@"
start_window_manager

lay_out_demo
start_program

# A failed wait ends the script as a failure does.
wait_failed() { fail "$1"; }
# The program's visible windows other than the frame, one id a line.
others() { xdotool search --onlyvisible --pid "$PID" 2>/dev/null | grep -vx "$FRAME" || true; }
# The frame the window manager draws around a window: left, right, top, bottom.
extents() { xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.* = //p'; }

connect_to_frame

# The splash: a window of its own beside the frame, and the window manager draws nothing
# around it (a decorated window has a title bar and borders in its extents).
splash_up() { [ -n "$(others)" ]; }
wait_for "the splash" splash_up
SPLASH="$(others | head -1)"
shot frame_windows_splash.png
ext="$(extents "$SPLASH")"
[ -z "$ext" ] || [ "$ext" = "0, 0, 0, 0" ] || fail "the splash is framed by the window manager: $ext"
wait_for "the splash to close" visible 1

frame_origin
# Chooses an item of the Window menu by its hot key.
choose_window_item() {
  xdotool windowactivate --sync "$FRAME" 2>/dev/null || true
  xdotool key alt+w
  wait_for "the Window menu" visible 2
  xdotool key "$1"
  wait_for "the menu to close" visible 1
}
# An arrangement of the Window menu, once the windows have moved.
arrange() {
  mark "$FRAME"
  choose_window_item "$1"
  wait_for "the windows to move" redrawn "$FRAME"
}

open_register 2  # Usluge
open_register 3  # Klauzule
before="$(threads)"
mark "$FRAME"
xdotool mousemove $((X + 182)) $((Y + 8)) click 1  # Obračuni
wait_for "the runs' thread" more_threads "$before"
wait_for "the runs' window" redrawn "$FRAME"
shot frame_windows_opened.png

arrange c
shot frame_windows_cascade.png
arrange i
shot frame_windows_tile.png

# A question answered by its letter: Delete on the runs asks, N says no.
xdotool key Delete
wait_for "the delete question" window_titled '^Confirm Delete$' >/dev/null
shot frame_windows_confirm.png
xdotool key n
wait_for "the question answered by N" no_window_titled '^Confirm Delete$'

# The cancel question of a changed form: its box shows its whole caption.
choose_window_item 1  # the services, the first window of the Window menu's list
mark "$FRAME"
xdotool key Insert
wait_for "the services form" redrawn "$FRAME"
xdotool type --delay 80 "9X"
xdotool key alt+c
wait_for "the cancel question" window_titled '^Changes will be lost!$' >/dev/null
shot_titled '^Changes will be lost!$' frame_windows_cancel_question.png
shot frame_windows_cancel_question_screen.png
mark "$FRAME"
xdotool key y
wait_for "the question answered by Y" no_window_titled '^Changes will be lost!$'
wait_for "the form to close" redrawn "$FRAME"

# Escape closes the services, Ctrl+F4 the clauses (made the active one from the list).
before="$(threads)"
mark "$FRAME"
xdotool key Escape
wait_for "Escape to close the services" fewer_threads "$before"
wait_for "the services' window gone" redrawn "$FRAME"
shot frame_windows_escape.png
choose_window_item 1
wait_for "the clauses made active" still "$FRAME"
before="$(threads)"
mark "$FRAME"
xdotool key ctrl+F4
wait_for "Ctrl+F4 to close a register" fewer_threads "$before"
wait_for "the register's window gone" redrawn "$FRAME"
shot frame_windows_ctrl_f4.png

# File > Exit ends the program.
exit_program
grep -A6 '^\[UpdateOBAVEZE\]' KVD.INI | grep -q '^XPos=' || fail "the services form stored no position: $(cat KVD.INI)"
echo "ok"
