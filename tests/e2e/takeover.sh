#!/usr/bin/env bash
# The take-over of the previous program's data on the real program, on a virtual X
# display with a window manager, as a person does it: the program runs from a folder
# named with Serbian letters, the old program's folder "stari Čačak 2023" is typed into
# the dialog, OK, the summary; then the tables hold the old rows. Screenshots go to the
# output folder.
#   takeover.sh BUILD_DIR OUTPUT_DIR
# Runs itself under xvfb-run when no display is set.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/lib.sh"
ROOT_TEMPLATE="${TMPDIR:-/tmp}/kvadrin Čačak.XXXXXX"
on_display "$@"

start_window_manager
# The Serbian Latin keyboard: the folder's letters are typed from keys of their own (a letter
# outside the keyboard's map is typed through a key xdotool maps for it at that moment,
# which a busy machine can lose).
setxkbmap -layout rs -variant latin 2>/dev/null || echo "no Serbian Latin keyboard; typing through mapped keys" >&2
lay_out_demo
OLD="$ROOT/stari Čačak 2023"
"$BUILD/tests/kv_old_files" "$OLD"
# The demo firm's postings, clauses and vouchers are taken over; its other tables keep
# their rows and are left alone.
firm_sql "DELETE FROM SKPROMET; DELETE FROM SKLAUZUL; DELETE FROM NALOZIS"
start_program
connect_to_frame "^KVADRIN 1\.0\.2 - Stambena zajednica Demo \($YEAR\)"
wait_for "the splash to close" visible 1

# Ctrl+P shows Help > Preuzmi stari program: the Help menu opens taller by its line.
help_menu() {
  xdotool key --window "$FRAME" alt+h
  wait_for "the Help menu" visible 2
}
menu_height() {
  local menu
  menu="$(xdotool search --onlyvisible --pid "$PID" 2>/dev/null | grep -vx "$FRAME" | head -1)" &&
    xwininfo -id "$menu" | awk '/ Height:/ {print $NF}'
}
close_menu() {
  xdotool key Escape
  wait_for "the Help menu to close" visible 1
}
taller_menu() {
  help_menu
  [ "$(menu_height)" -gt "$1" ] && return 0
  close_menu
  return 1
}
xdotool windowactivate --sync "$FRAME"
help_menu
SHORT="$(menu_height)"
close_menu
xdotool windowactivate --sync "$FRAME" key ctrl+p
wait_for "Preuzmi stari program in the Help menu" taller_menu "$SHORT"
xdotool key Return
TITLE='^Preuzimanje podataka iz starog programa$'
wait_for "the take-over dialog" window_titled "$TITLE" >/dev/null
DIALOG="$(found_titled "$TITLE")"
# The dialog opens with the keyboard in its folder entry: the folder is typed at once.
xdotool windowactivate --sync "$DIALOG"
wait_for "the dialog to have the keyboard" active "$DIALOG"
wait_for "the dialog drawn" still "$DIALOG"
xdotool type --delay 30 "$OLD"
shot_window "$DIALOG" takeover_serbian_dialog.png
xdotool windowactivate --sync "$DIALOG" key alt+o
wait_for "the summary" titled_count "$TITLE" 2
SUMMARY="$(xdotool search --onlyvisible --name "$TITLE" | tail -1)"
shot takeover_serbian_screen.png
shot_window "$SUMMARY" takeover_serbian_summary.png
xdotool windowactivate --sync "$SUMMARY" key Return
wait_for "the dialog closed" visible 1

# Every table the demo left empty holds its old rows; none was missed for its folder.
check() {
  local got
  got="$(firm_sql "$1")"
  [ "$got" = "$2" ] || { echo "$1: $got, expected $2" >&2; cat "$ROOT/kvadrin.log" >&2; exit 1; }
}
check "SELECT COUNT(*) FROM SKPROMET" 2
check "SELECT SINTETIKA || ' ' || DUGUJE || ' ' || POTRAZUJE FROM SKPROMET ORDER BY POTRAZUJE" "204 100.0 0.0
435 0.0 40.0"
check "SELECT COUNT(*) FROM SKLAUZUL WHERE SIFRA = 91" 1
check "SELECT COUNT(*) FROM NALOZIS WHERE BROJ = 'ST-01'" 1
check "SELECT COUNT(*) FROM SINTETIK" 1
check "SELECT COUNT(*) FROM SKMATIC" 1
xdotool windowactivate --sync "$FRAME" key alt+F4 2>/dev/null || true
echo "ok"
