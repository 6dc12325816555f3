#!/usr/bin/env bash
# A list's layout as a person keeps it, on a virtual X display with a window manager
# (openbox): in the demo firm's services register a column widened with the mouse on its
# header's edge, the layout saved with "Sačuvaj izgled liste" from the list's popup menu,
# the register closed and the program ended; at the next start the register opens with the
# column as wide as it was left. Screenshots of each step go to the output folder; the list
# formats are read with sqlite3.
#   list_layout.sh BUILD_DIR OUTPUT_DIR
# Runs itself under xvfb-run when no display is set.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/lib.sh"
on_display "$@"
start_window_manager

lay_out_demo

# A failed wait ends the script as a failure does.
wait_failed() { fail "$1"; }
# The list's header row and its columns' right edges on the screen: "y x1 x2 ...".
edges() {
  import -window root -depth 8 "$ROOT/screen.ppm"
  python3 "$HERE/header_edges.py" "$ROOT/screen.ppm"
}
has_edges() { [ "$(edges | wc -w)" -ge 3 ]; }
# The services register's stored layouts (the store's collation loaded).
formats() {
  [ -f Formats.FDB ] || return 0
  sqlite3 -cmd ".load $BUILD/libkvci" Formats.FDB \
    "SELECT FORMATNAME, FORMAT FROM CFG WHERE PROCID = 'BrowseObaveze'"
}

# The program started and logged in to its frame.
log_in() {
  start_program
  connect_to_frame
  wait_for "the splash to close" visible 1
  frame_origin
}
# The services register from "Matični podaci", with its first row selected.
open_services() {
  local before
  xdotool mousemove $((X + 110)) $((Y + 8)) click 1
  wait_for "the menu" visible 2
  before="$(threads)"
  xdotool key Down Down Return
  wait_for "the menu to close" visible 1
  wait_for "the register's thread" more_threads "$before"
  wait_for "the register's list" has_edges
  wait_for "the register drawn" still "$FRAME"
}

log_in
open_services
read -r HY E1 _ <<<"$(edges)"
shot list_layout_opened.png
# The first column's edge dragged 80 pixels to the right. xdotool's sleeps pace the drag
# as a hand moves: the pointer rests on the edge before the press, and each step is a
# motion of its own, not one jump the header could take for a click.
xdotool mousemove "$E1" "$HY" sleep 0.3 mousedown 1
for step in 1 2 3 4 5 6 7 8; do xdotool mousemove $((E1 + 10 * step)) "$HY" sleep 0.05; done
xdotool mouseup 1
wait_for "the widened column drawn" still "$FRAME"
read -r _ WIDE _ <<<"$(edges)"
[ $((WIDE - E1)) -ge 70 ] || fail "the column was not widened: its edge at $E1, then $WIDE"
shot list_layout_widened.png
# The list's popup menu: its last items are the layout's, "Sačuvaj izgled liste" above
# "Podrazumevani izgled liste" while no layout is stored.
xdotool mousemove $((E1 + 20)) $((HY + 30)) click 3
wait_for "the popup menu" visible 2
xdotool key Up Up
shot list_layout_popup.png
xdotool key Return
wait_for "the popup menu to close" visible 1
wait_for "the layout stored" eval '[ -n "$(formats)" ]'
echo "stored: $(formats)"
# The register closed with its close box's key, then the program ended.
before="$(threads)"
xdotool key alt+c
wait_for "the register to close" fewer_threads "$before"
exit_program

log_in
open_services
read -r _ AGAIN _ <<<"$(edges)"
shot list_layout_reopened.png
[ $((AGAIN - WIDE)) -le 2 ] && [ $((WIDE - AGAIN)) -le 2 ] ||
  fail "the column came back with its edge at $AGAIN, not at $WIDE"
exit_program
echo "ok"
