#!/usr/bin/env bash
# The real program logs in to SQL Server through the FreeTDS ODBC driver, as a person would,
# on a virtual X display with a window manager. The "server" is the tests' TDS server: the
# login's values must reach it as typed (a password with ';', '}' and a Serbian letter), and
# the frame must come up showing that server. Before that, a server nobody listens on must
# end in a message that says why. Screenshots go to the output folder.
#   sqlserver_login.sh BUILD_DIR OUTPUT_DIR FREETDS_DRIVER_LIBRARY
# Runs itself under xvfb-run when no display is set.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
on_display "$@"
TDSODBC="$3"
SERVER=
on_end() { [ -z "$SERVER" ] || kill "$SERVER" 2>/dev/null; }
"$BUILD/kvadrin-demo" "$ROOT" >/dev/null
YEAR="$(date +%Y)"

# The TDS server serves until its input closes; only this script holds the pipe open.
mkfifo "$ROOT/server.in"
"$BUILD/tests/kv_tds_serve" "$ROOT/port" "$ROOT/server.log" <"$ROOT/server.in" &
SERVER=$!
exec 3>"$ROOT/server.in"
wait_for "the server's port" test -s "$ROOT/port"
PORT="$(cat "$ROOT/port")"

# FreeTDS registered for this run only.
printf '[FreeTDS]\nDescription=FreeTDS\nDriver=%s\n' "$TDSODBC" >"$ROOT/odbcinst.ini"
: >"$ROOT/odbc.ini"
printf '[global]\n' >"$ROOT/freetds.conf"
export ODBCSYSINI="$ROOT" ODBCINSTINI=odbcinst.ini ODBCINI="$ROOT/odbc.ini" FREETDSCONF="$ROOT/freetds.conf"
export KVADRIN_ODBC_DRIVER=FreeTDS KVADRIN_LOCALDB="$ROOT/localdb"
unset QT_QPA_PLATFORM

start_window_manager
# A Serbian keyboard has a key for š and Š: give the display one. Without it xdotool maps
# a spare key to the letter just before it presses it, and a program that sees the press
# before the new mapping loses the letter.
xkbcomp -xkb "$DISPLAY" "$ROOT/keymap.xkb" 2>/dev/null
sed -i 's/key <FK13> *{[^}]*};/key <FK13> { [ scaron, Scaron ] };/' "$ROOT/keymap.xkb"
xkbcomp "$ROOT/keymap.xkb" "$DISPLAY" 2>/dev/null
cd "$ROOT/DEMO/$YEAR/PROGRAM"

# As the shared wait_for, with a screenshot and the program's output when it times out;
# the program may end between the steps.
wait_for() {
  local what="$1"
  shift
  for _ in $(seq 1 300); do
    if "$@"; then return 0; fi
    sleep 0.2
  done
  echo "timed out waiting for $what" >&2
  shot timeout.png || true
  cat "$ROOT/kvadrin.log" >&2 || true
  return 1
}
# The program's message box (no caption of its own): a window of the program that is not the
# connection window, printed.
message_box() {
  local w
  for w in $(xdotool search --onlyvisible --classname '^kvadrin$' 2>/dev/null); do
    case "$(xdotool getwindowname "$w" 2>/dev/null)" in
      "Initializing Database" | "SQL Azure") ;;
      *) echo "$w"; return 0 ;;
    esac
  done
  return 1
}
ended() { ! kill -0 "$PID" 2>/dev/null; }

# Starts the program and fills the login: server, login name and password (the firm is the
# demo's). The entries of the connection are skipped by Tab: they are clicked.
login() {
  "$BUILD/kvadrin" >"$ROOT/kvadrin.log" 2>&1 3>&- &
  PID=$!
  wait_for "the login window" window_titled '^SQL Azure$' >/dev/null
  local w
  w="$(found_titled '^SQL Azure$')"
  wait_for "the login window drawn" still "$w"
  xdotool mousemove --window "$w" 345 106 click 1 key ctrl+a type --delay 30 "$1"
  xdotool mousemove --window "$w" 308 130 click 1 key ctrl+a type --delay 30 "$2"
  xdotool mousemove --window "$w" 308 154 click 1 key ctrl+a type --delay 50 "$3"
  xdotool key Tab
  shot "$4"
  xdotool windowactivate --sync "$w" key alt+c
}

# Nobody listens on port 1: the program says so and ends.
login "127.0.0.1,1" "sa" "x" sqlserver_login_refused.png
wait_for "the message" message_box >/dev/null
MESSAGE="$(message_box)"
wait_for "the message drawn" still "$MESSAGE"
shot sqlserver_no_server.png
xdotool windowactivate --sync "$MESSAGE" key Return
wait_for "the program to end" ended
PID=

# The test server: the frame comes up with the server in its caption.
login "127.0.0.1,$PORT" "sa" 'Šifra;1}' sqlserver_login.png
CAPTION="^KVADRIN 1\.0\.2 - Stambena zajednica Demo \($YEAR\) {10}127\.0\.0\.1,$PORT - DEMO_$YEAR\$"
wait_for "the frame" window_titled "$CAPTION" >/dev/null
FRAME="$(found_titled "$CAPTION")"
wait_for "the splash to close" visible 1
shot sqlserver_frame.png
# The frame may already be the active window (activation then fails under load): the
# keys go to the focused window either way.
xdotool windowactivate --sync "$FRAME" 2>/dev/null || true
xdotool key alt+f
wait_for "the File menu" visible 2
xdotool key x
wait_for "the program to end" ended
PID=

exec 3>&-
wait "$SERVER" || true
SERVER=
echo "server log:"
cut -c1-200 "$ROOT/server.log"
grep -qxF "LOGIN sa|Šifra;1}|DEMO_$YEAR|kvadrin" "$ROOT/server.log" ||
  { echo "the login did not reach the server as typed" >&2; exit 1; }
grep -qF "SQL SELECT CASE WHEN OBJECT_ID(@P1, 'U') IS NULL THEN 0 ELSE 1 END [nvarchar(4000) USERS]" "$ROOT/server.log" ||
  { echo "the program did not look for USERS" >&2; exit 1; }
echo "ok"
