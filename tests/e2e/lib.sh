# The steps every end-to-end script takes with the real program on a virtual display:
# waiting for a condition, finding windows by their titles, keys to a window that they
# close, screenshots. Sourced by the scripts; they set PID (the program), ROOT (its
# folder, with kvadrin.log) and OUT (the screenshots' folder).

# The start of a script called as `script.sh BUILD_DIR OUTPUT_DIR ...`: BUILD and OUT from
# its arguments, the script run again under xvfb-run when no display is set, a folder of
# its own (ROOT, made from ROOT_TEMPLATE when the script sets one) and, at its end, the
# program and the window manager ended (and what a script's `on_end` ends) and ROOT
# removed.
on_display() {
  BUILD="$(cd "$1" && pwd)"
  mkdir -p "$2"
  OUT="$(cd "$2" && pwd)"
  if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
  fi
  if [ -n "${ROOT_TEMPLATE:-}" ]; then ROOT="$(mktemp -d "$ROOT_TEMPLATE")"; else ROOT="$(mktemp -d)"; fi
  PID=
  WM=
  trap end_of_script EXIT
}
end_of_script() {
  [ -n "$PID" ] && kill "$PID" 2>/dev/null || true
  [ -n "$WM" ] && kill "$WM" 2>/dev/null || true
  if declare -F on_end >/dev/null; then on_end || true; fi
  rm -rf "$ROOT"
}
# Ends a failed script: the message, a screenshot (<script>_failed.png) and the program's
# log. A script has its failed waits end the same way by defining
# `wait_failed() { fail "$1"; }`.
fail() {
  echo "$1" >&2
  shot "$(basename "$0" .sh)_failed.png" || true
  cat "$ROOT/kvadrin.log" >&2 2>/dev/null || true
  exit 1
}
# openbox on the display, once it answers; started again if it ended before it answered
# (on a busy machine it can lose its start to another display's). Its output is kept in
# ROOT/openbox.log and shown when it never answers.
start_window_manager() {
  local try
  for try in 1 2 3; do
    openbox >>"$ROOT/openbox.log" 2>&1 3>&- &
    WM=$!
    for _ in $(seq 1 150); do
      window_manager && return 0
      kill -0 "$WM" 2>/dev/null || break
      sleep 0.2
    done
    kill "$WM" 2>/dev/null || true
    echo "openbox did not answer (start $try):" >&2
    cat "$ROOT/openbox.log" >&2 || true
  done
  waited_in_vain "the window manager"
}

# The demo firm laid out in ROOT (YEAR, its database DB), and the program folder made the
# current folder, where the program is then started (PID).
lay_out_demo() {
  "$BUILD/kvadrin-demo" "$ROOT"
  YEAR="$(date +%Y)"
  DB="$ROOT/localdb/DEMO_$YEAR.sqlite"
  cd "$ROOT/DEMO/$YEAR/PROGRAM"
  unset QT_QPA_PLATFORM
}
start_program() {
  KVADRIN_LOCALDB="$ROOT/localdb" "$BUILD/kvadrin" >"$ROOT/kvadrin.log" 2>&1 &
  PID=$!
}
# SQLite itself on the demo firm's database, with the program's collation.
firm_sql() { sqlite3 -batch -cmd ".load $BUILD/libkvci" "$DB" "$1"; }
# The login answered with Connect (Alt+C), and the demo firm's frame (FRAME, of the title
# CAPTION, or of the title given) found; `frame_origin` then gives its client area's place
# on the screen (X, Y).
connect_to_frame() {
  wait_for "the login window" window_titled '^SQL Azure$' >/dev/null
  key_to '^SQL Azure$' alt+c || { waited_in_vain "the login did not take alt+c"; return 1; }
  CAPTION="${1:-^KVADRIN 1\.0\.2 - Stambena zajednica Demo}"
  wait_for "the frame" window_titled "$CAPTION" >/dev/null
  FRAME="$(found_titled "$CAPTION")"
}
frame_origin() {
  X="$(xwininfo -id "$FRAME" | awk '/Absolute upper-left X/ {print $NF}')"
  Y="$(xwininfo -id "$FRAME" | awk '/Absolute upper-left Y/ {print $NF}')"
}
# The program's threads: a menu's procedure has started when there are more.
threads() { ls "/proc/$PID/task" | wc -l; }
more_threads() { [ "$(threads)" -gt "$1" ]; }
fewer_threads() { [ "$(threads)" -lt "$1" ]; }
# Chooses the n-th item of "Matični podaci" and waits for its procedure's thread and its
# window. The registers are windows inside the frame, not windows of the desktop: one has
# opened when the frame has been drawn anew.
open_register() {
  local before
  mark "$FRAME"
  xdotool mousemove $((X + 110)) $((Y + 8)) click 1
  wait_for "the menu" visible 2
  before="$(threads)"
  for _ in $(seq 1 "$1"); do xdotool key Down; done
  xdotool key Return
  wait_for "the menu to close" visible 1
  wait_for "the procedure's thread" more_threads "$before"
  wait_for "the procedure's window" redrawn "$FRAME"
}
# File > Exit, and the program's end waited for.
exit_program() {
  xdotool windowactivate --sync "$FRAME" 2>/dev/null || true
  xdotool key alt+f
  wait_for "the File menu" visible 2
  xdotool key x
  wait_for "the program to end at Exit" program_ended
  wait "$PID" || true
  PID=
}
# The forms are windows inside the frame, not windows of the desktop: a form has opened
# when the frame has been drawn anew after the key that opens it (Insert on a browse).
open_form() {
  mark "$FRAME"
  xdotool key Insert
  wait_for "$1" redrawn "$FRAME"
}
# Answers the open question of that title: Yes is left of the default No.
answer_yes() { key_to "$1" shift+Tab space || fail "the question $1 was not answered"; }

# Waits up to a minute (the machine may be busy) for a condition given as a command; while
# the program runs (PID set), its end fails the wait unless the condition then holds. A
# script that defines `wait_failed MESSAGE` (a screenshot of the failure, the log, the
# exit) has a failed wait end through it.
wait_for() {
  local what="$1"
  shift
  for _ in $(seq 1 300); do
    if "$@"; then return 0; fi
    if [ -n "$PID" ] && ! kill -0 "$PID" 2>/dev/null; then
      "$@" && return 0
      waited_in_vain "the program ended while waiting for $what"
      return 1
    fi
    sleep 0.2
  done
  waited_in_vain "timed out waiting for $what"
}
waited_in_vain() {
  if declare -F wait_failed >/dev/null; then wait_failed "$1"; fi
  echo "$1:" >&2
  cat "$ROOT/kvadrin.log" >&2 2>/dev/null || true
  return 1
}
program_ended() { ! kill -0 "$PID" 2>/dev/null; }
# A window manager answers on the display.
window_manager() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
# The window of that id has the keyboard.
active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
# The program's visible windows of that title number at least n.
titled_count() { [ "$(xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l)" -ge "$2" ]; }
# What a window shows, compared with what it showed: windows inside the frame are no
# windows of the display, so that one has opened, closed or drawn itself is seen in the
# frame's image. `mark` keeps the image of now; `redrawn` holds once the window shows more
# than a caret's blink of change from it and then holds still; `still` once two looks a
# moment apart differ by no more than a caret's blink.
grab() { xwd -id "$1" -silent 2>/dev/null | convert xwd:- "$2" 2>/dev/null; }
pixels_apart() {
  local out
  out="$(compare -metric AE "$1" "$2" null: 2>&1 >/dev/null)"
  case "$out" in [0-9]*) echo "${out%% *}" ;; *) echo 999999 ;; esac  # images of other sizes
}
mark() { grab "$1" "$ROOT/mark.png"; }
still() {
  local n
  grab "$1" "$ROOT/look1.png" || return 1
  sleep 0.3
  grab "$1" "$ROOT/look2.png" || return 1
  n="$(pixels_apart "$ROOT/look1.png" "$ROOT/look2.png")"
  [ "${n%.*}" -lt 60 ] 2>/dev/null
}
still_titled() {
  local w
  w="$(window_titled "$1")" && still "$w"
}
redrawn() {
  local n
  grab "$1" "$ROOT/look0.png" || return 1
  n="$(pixels_apart "$ROOT/mark.png" "$ROOT/look0.png")"
  [ "${n%.*}" -gt 200 ] 2>/dev/null && still "$1"
}
# The id of a visible window whose title matches, printed; false when there is none.
window_titled() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep .; }
no_window_titled() { ! window_titled "$1" >/dev/null; }
# The id of the window of that title, once there is one: a window can be gone a moment
# just after it was seen (the toolkit recreates it as it is placed), so it is looked for
# again rather than taken from one look.
found_titled() { wait_for "the window titled $1" window_titled "$1"; }
# A message box: a visible window of the program with an empty title besides the frame.
visible() { [ "$(xdotool search --onlyvisible --pid "$PID" 2>/dev/null | wc -l)" -eq "$1" ]; }
# The screen, and one window as it draws itself. The screen is read with import: an xwd
# dump of the root converted by ImageMagick shows the toolkit's later top-level windows
# black although they are painted on the screen.
shot() { sleep 0.5; import -window root "$OUT/$1"; }
shot_window() { sleep 0.5; xwd -id "$1" -silent | convert xwd:- "$OUT/$2"; }
# Keys to the window of that title, which the keys close. The keys go to the window made
# active, not with --window: that form looks the window up again between a key's press
# and its release, fails once the press has closed it, and leaves the key held down, so
# that the server repeats it into whatever box comes next. A window can be replaced by a
# new one of the same title just after it is found (the toolkit recreates it as it is
# placed), so the keys go again while a window of that title is still there.
key_to() {
  local title="$1" w
  shift
  for _ in $(seq 1 20); do
    # Activated through the window manager; focused directly while none answers (one
    # still starting on a busy machine).
    if w="$(window_titled "$title")" &&
      { xdotool windowactivate --sync "$w" 2>/dev/null || xdotool windowfocus --sync "$w" 2>/dev/null; }; then
      xdotool key "$@"
      for _ in $(seq 1 15); do
        no_window_titled "$title" && return 0
        sleep 0.2
      done
    else
      sleep 0.5
    fi
  done
  echo "no window titled $title took the keys $*" >&2
  return 1
}
# The image of the window of that title, tried again in the same way.
shot_titled() {
  local w
  for _ in $(seq 1 50); do
    sleep 0.5
    w="$(window_titled "$1")" && xwd -id "$w" -silent 2>/dev/null | convert xwd:- "$OUT/$2" 2>/dev/null && return 0
  done
  echo "no image of the window titled $1" >&2
  return 1
}
