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

# Waits up to 20 s for a visible window whose title matches; prints its id.
wait_window() {
  local id
  for _ in $(seq 1 100); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)"
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$PID" 2>/dev/null || { echo "the program ended:" >&2; cat "$ROOT/kvadrin.log" >&2; return 1; }
    sleep 0.2
  done
  echo "no window titled '$1'" >&2
  return 1
}
shot() { xwd -root -silent | convert xwd:- "$OUT/$1"; }

LOGIN="$(wait_window '^SQL Azure$')"
sleep 0.5
shot demo_login.png
xdotool key --window "$LOGIN" alt+c

CAPTION="^KVADRIN 1\.0\.2 - Stambena zajednica Demo \($YEAR\) {10}\(localdb\)\\\\demo - DEMO_$YEAR\$"
FRAME="$(wait_window "$CAPTION")"
echo "frame: $(xdotool getwindowname "$FRAME")"

# Matični podaci > Usluge: the services browse opens inside the frame with the demo's services.
sleep 3.5   # the splash closes by its timer
eval "$(xdotool getwindowgeometry --shell "$FRAME")"
xdotool mousemove $((X + 110)) $((Y + 8)) click 1
sleep 0.5
xdotool key Down Down Return
sleep 2
shot demo_frame_services.png
# Matični podaci > Kvadrin: the units browse with its totals beside it.
xdotool mousemove $((X + 110)) $((Y + 8)) click 1
sleep 0.5
xdotool key Down Return
sleep 2
shot demo_frame_units.png

# File > Exit closes the browses and the frame; each saves its placement as it closes, so
# a browse's section in the settings proves it was open.
xdotool key --window "$FRAME" alt+f
sleep 0.3
xdotool key x
for _ in $(seq 1 50); do kill -0 "$PID" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$PID" 2>/dev/null; then echo "the program did not end at Exit" >&2; exit 1; fi
wait "$PID" || true
PID=
grep -q '^\[BrowseObaveze\]' KVD.INI || { echo "the services browse did not open" >&2; cat KVD.INI >&2; exit 1; }
grep -q '^\[BrowseKvadrin\]' KVD.INI || { echo "the units browse did not open" >&2; cat KVD.INI >&2; exit 1; }
grep -q '^\[Main\]' KVD.INI || { echo "the frame did not save its placement" >&2; exit 1; }
echo "ok"
