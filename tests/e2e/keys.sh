# Shared by the end-to-end scripts (sourced): windows found by title, and keys sent to a
# window that the keys close.

# The id of a visible window whose title matches, printed; false when there is none.
window_titled() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep .; }
no_window_titled() { ! window_titled "$1" >/dev/null; }

# Keys to the window of that title, which the keys close. The keys go to the window made
# active, never with --window: that form looks the window up again between a key's press
# and its release, fails once the press has closed it, and leaves the key held down, so
# that the server repeats it into whatever box comes next. A window can be replaced by a
# new one of the same title just after it is found (the toolkit recreates it as it is
# placed), so the keys go again while a window of that title is still there. False, with
# a word on standard error, when no such window took them.
key_to() {
  local title="$1" w
  shift
  for _ in $(seq 1 20); do
    if w="$(window_titled "$title")" && xdotool windowactivate --sync "$w" 2>/dev/null; then
      xdotool key "$@"
      for _ in $(seq 1 15); do
        no_window_titled "$title" && return 0
        sleep 0.2
      done
    else
      sleep 0.2
    fi
  done
  echo "no window titled $title took the keys $*" >&2
  return 1
}
