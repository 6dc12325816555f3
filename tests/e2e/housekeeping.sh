#!/usr/bin/env bash
# The year's housekeeping on the real program, on a virtual X display with a window
# manager, used as a person would: the demo firm's login, then from the frame's menus the
# update check (answered "Ne" while the version list has no row for the program), the
# take-over dialog over a folder without old files (its summary), and the update check
# again once the list holds the running version: its release notes, the answer that the
# program is current, and "Da", which starts the updater and ends the program. Screenshots
# go to the output folder.
#   housekeeping.sh BUILD_DIR OUTPUT_DIR
# Runs itself under xvfb-run when no display is set.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
on_display "$@"
start_window_manager
lay_out_demo
STORE="$ROOT/localdb"
cat >"$ROOT/updater.sh" <<SCRIPT
#!/bin/sh
echo started >"$ROOT/updater-started"
SCRIPT
chmod +x "$ROOT/updater.sh"
KVADRIN_UPDATER="$ROOT/updater.sh" start_program

sql() { sqlite3 -cmd ".load $BUILD/libkvci" "$STORE/$1.sqlite" "$2"; }

connect_to_frame "^KVADRIN 1\.0\.2 - Stambena zajednica Demo \($YEAR\)"
wait_for "the splash to close" visible 1

# File > Ažuriranje programa: Print Setup, Exit, then the update check.
update_check() {
  xdotool windowactivate --sync "$FRAME" key alt+f
  wait_for "the File menu" visible 2
  xdotool key Down Down Return
}

# The version list is empty (made by this first check): the update is offered, "Da" first.
update_check
wait_for "the question" window_titled '^Ažuriranje programa$' >/dev/null
shot_titled '^Ažuriranje programa$' housekeeping_update_offered.png
key_to '^Ažuriranje programa$' Tab space
wait_for "the question answered" visible 1
[ ! -e "$ROOT/updater-started" ] || { echo "the updater started after Ne" >&2; exit 1; }
[ "$(sql VERZIJE 'SELECT COUNT(*) FROM LVERX')" = 0 ] || { echo "Ne logged an update" >&2; exit 1; }

# Ctrl+P shows Help > Preuzmi stari program (the Help menu grows by it): the dialog over a
# folder without old files.
help_menu() {
  xdotool key --window "$FRAME" alt+h
  wait_for "the Help menu" visible 2
  HELP="$(xdotool search --onlyvisible --pid "$PID" 2>/dev/null | grep -vx "$FRAME" | head -1)"
}
help_height() { xdotool getwindowgeometry --shell "$HELP" | sed -n 's/^HEIGHT=//p'; }
close_help() {
  xdotool key Escape
  wait_for "the Help menu to close" visible 1
}
help_menu
SHORT="$(help_height)"
close_help
xdotool windowactivate --sync "$FRAME" key ctrl+p
help_grown() {
  help_menu
  [ "$(help_height)" -gt "$SHORT" ] && return 0
  close_help
  return 1
}
wait_for "Preuzmi stari program in the Help menu" help_grown
xdotool key Return
wait_for "the take-over dialog" window_titled '^Preuzimanje podataka iz starog programa$' >/dev/null
mkdir -p "$ROOT/STARI"
DIALOG="$(found_titled '^Preuzimanje podataka iz starog programa$')"
# The dialog opens with the keyboard in its folder entry: the folder is typed at once.
xdotool windowactivate --sync "$DIALOG"
wait_for "the dialog drawn" still "$DIALOG"
xdotool type "$ROOT/STARI"
shot_window "$DIALOG" housekeeping_takeover_dialog.png
xdotool windowactivate --sync "$DIALOG" key alt+o
wait_for "the summary" window_titled '^Preuzimanje podataka iz starog programa$' >/dev/null
wait_for "the summary over the dialog" titled_count '^Preuzimanje podataka iz starog programa$' 2
shot housekeeping_takeover_screen.png
shot_window "$(xdotool search --onlyvisible --name '^Preuzimanje podataka iz starog programa$' | tail -1)" \
  housekeeping_takeover_summary.png
xdotool key Return
wait_for "the dialog closed" visible 1

# The list now holds the running version with its notes: they are shown, the program is
# current, and "Da" (not the default here) starts the updater, which ends the program.
sql VERZIJE "INSERT INTO LVER (SH_PROG, VERZIJA, DATUM, OPIS) VALUES ('kvadrin', '1.0.2', 0,
  '{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0 Arial;}}\\f0\\fs20{\\b Verzija 1.0.2}\\par Ispravljen obra\\''e8un grejanja.\\par}')"
update_check
wait_for "the release notes" window_titled '^AKTUELNE PROMENE$' >/dev/null
shot_titled '^AKTUELNE PROMENE$' housekeeping_release_notes.png
key_to '^AKTUELNE PROMENE$' Return
wait_for "the notes closed" visible 2
# A box without a caption goes by the program's name (as the frame's own parts do: the
# box is the one narrower than the screen).
SEEN=
untitled() {
  local w now=
  for w in $(xdotool search --onlyvisible --pid "$PID" --name '^kvadrin$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$WIDTH" -lt 1000 ] && xwininfo -id "$w" 2>/dev/null | grep -q IsViewable && now="$w"
  done
  # The update check's wait window goes by the same name and closes just before the box
  # opens: a window counts once the previous look saw it too.
  [ -n "$now" ] && [ "$now" = "$SEEN" ] && { echo "$now"; return 0; }
  SEEN="$now"
  return 1
}
wait_for "the answer without a caption" untitled >/dev/null
BOX="$(untitled)"
shot_window "$BOX" housekeeping_current.png
xdotool windowactivate --sync "$BOX"
xdotool key Return
wait_for "the last question" window_titled '^Ažuriranje programa$' >/dev/null
key_to '^Ažuriranje programa$' shift+Tab space
wait_for "the program to end after the updater started" program_ended
wait "$PID" || true
PID=
wait_for "the updater" test -e "$ROOT/updater-started" || true
[ -e "$ROOT/updater-started" ] || { echo "the updater did not start" >&2; cat "$ROOT/kvadrin.log" >&2; exit 1; }
echo "ok"
