#!/usr/bin/env bash
# The real program on a virtual X display, used as a person would: the demo firm is laid
# out, the program starts in its program folder, the login is answered with Connect, and
# the frame must come up with the demo firm's caption; the services and the units browse
# are then opened from the menu. Screenshots of the login and of the frame go to the
# output folder.
#   demo_frame.sh BUILD_DIR OUTPUT_DIR
# Runs itself under xvfb-run when no display is set.
set -euo pipefail
BUILD="$(cd "$1" && pwd)"
mkdir -p "$2"; OUT="$(cd "$2" && pwd)"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
mkdir -p "$OUT"
ROOT="$(mktemp -d)"
PID=
cleanup() {
  [ -n "$PID" ] && kill "$PID" 2>/dev/null || true
  rm -rf "$ROOT"
}
trap cleanup EXIT

"$BUILD/kvadrin-demo" "$ROOT"
YEAR="$(date +%Y)"
cd "$ROOT/DEMO/$YEAR/PROGRAM"
unset QT_QPA_PLATFORM
KVADRIN_LOCALDB="$ROOT/localdb" "$BUILD/kvadrin" >"$ROOT/kvadrin.log" 2>&1 &
PID=$!

# Waits up to a minute (the machine may be busy) for a condition given as a command.
wait_for() {
  local what="$1"
  shift
  for _ in $(seq 1 300); do
    if "$@"; then return 0; fi
    kill -0 "$PID" 2>/dev/null || { echo "the program ended:" >&2; cat "$ROOT/kvadrin.log" >&2; return 1; }
    sleep 0.2
  done
  echo "timed out waiting for $what" >&2
  return 1
}
# The id of a visible window whose title matches, printed; false when there is none.
window_titled() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep .; }
# The program's visible top-level windows (the frame; a popup menu or the splash besides).
visible() { [ "$(xdotool search --onlyvisible --pid "$PID" 2>/dev/null | wc -l)" -eq "$1" ]; }
threads() { ls "/proc/$PID/task" | wc -l; }
more_threads() { [ "$(threads)" -gt "$1" ]; }
shot() { xwd -root -silent | convert xwd:- "$OUT/$1"; }

wait_for "the login window" window_titled '^SQL Azure$' >/dev/null
LOGIN="$(window_titled '^SQL Azure$')"
sleep 0.5
shot demo_login.png
# To the focused window: a key sent with --window to a window that its press closes stays
# held down and repeats into the next one.
xdotool windowfocus --sync "$LOGIN" key alt+c

CAPTION="^KVADRIN 1\.0\.2 - Stambena zajednica Demo \($YEAR\) {10}\(localdb\)\\\\demo - DEMO_$YEAR\$"
wait_for "the frame" window_titled "$CAPTION" >/dev/null
FRAME="$(window_titled "$CAPTION")"
echo "frame: $(xdotool getwindowname "$FRAME")"
wait_for "the splash to close" visible 1
eval "$(xdotool getwindowgeometry --shell "$FRAME")"

# Chooses the n-th item of "Matični podaci" and waits for its procedure's thread.
open_register() {
  local before
  xdotool mousemove $((X + 110)) $((Y + 8)) click 1
  wait_for "the menu" visible 2
  before="$(threads)"
  for _ in $(seq 1 "$1"); do xdotool key Down; done
  xdotool key Return
  wait_for "the menu to close" visible 1
  wait_for "the procedure's thread" more_threads "$before"
  sleep 2
}
# Usluge: the services browse opens inside the frame with the demo's services; Kvadrin:
# the units browse with its totals beside it.
open_register 2
shot demo_frame_services.png
open_register 1
shot demo_frame_units.png

# File > Exit closes the browses and the frame; each saves its placement as it closes, so
# a browse's section in the settings proves it was open.
xdotool key --window "$FRAME" alt+f
wait_for "the File menu" visible 2
xdotool key x
for _ in $(seq 1 300); do kill -0 "$PID" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$PID" 2>/dev/null; then echo "the program did not end at Exit" >&2; exit 1; fi
wait "$PID" || true
PID=
grep -q '^\[BrowseObaveze\]' KVD.INI || { echo "the services browse did not open" >&2; cat KVD.INI >&2; exit 1; }
grep -q '^\[BrowseKvadrin\]' KVD.INI || { echo "the units browse did not open" >&2; cat KVD.INI >&2; exit 1; }
grep -q '^\[Main\]' KVD.INI || { echo "the frame did not save its placement" >&2; exit 1; }
echo "ok"
