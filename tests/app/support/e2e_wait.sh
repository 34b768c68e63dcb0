# Sourced by the end-to-end scripts that drive the program with xdotool: wait for what the program
# shows instead of sleeping a guess. Under the sanitizers on two busy cores a step takes many times
# its usual time, and a key sent before its window shows goes to another. The functions are
# exported, so the commands a script runs under e2e_x (bash -c '…') have them too.
#   e2e_until <command…>                   # polls until it succeeds; fails after e2e_wait_limit s
#   e2e_windows <pid>                      # "id width" of each of the process's windows that show
#   e2e_line <file> <pattern>              # waits for a line (grep -E) of the file; prints it.
#                                          # The file is the program's output of this run: start
#                                          # it on a new file, never on a last run's
#   id=$(e2e_shown <file> <name>)          # waits for the hook's "SHOWN name id" line and for that
#                                          # window to show, gives it the focus, waits for the
#                                          # hook's "FOCUS id", prints its id
#   e2e_recover_by_keys <file> [<picture> <picture>]
#                                          # Recover into the working folder, the finished OK
#   e2e_focus <file> <window>              # the focus, once the program has made it active
#   e2e_quit_by_keys <file> <window> <pid> # Ctrl+Q on the window; fails if the program stays
export e2e_wait_limit=${E2E_WAIT_LIMIT:-180}

e2e_until() {
  local deadline=$((SECONDS + e2e_wait_limit))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

e2e_windows() {
  local window
  for window in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
    echo "$window $(xdotool getwindowgeometry "$window" 2>/dev/null | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')"
  done
}

e2e_line() {  # one reading of the file gives both the test and the line
  local deadline=$((SECONDS + e2e_wait_limit)) line
  until line=$(grep -E -m1 -- "$2" "$1" 2>/dev/null); do
    if ((SECONDS >= deadline)); then
      # What the screen showed instead, beside the file.
      import -window root "$1.timeout.png" 2>/dev/null || true
      echo "e2e_line: no line '$2' in $1 (the screen: $1.timeout.png)" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "$line"
}

e2e_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
e2e_shown() {
  local line id
  line=$(e2e_line "$1" "^SHOWN $2 [0-9]+$") || return 1
  id=${line##* }
  e2e_until e2e_viewable "$id" || { echo "e2e_shown: the window of $2 never showed" >&2; return 1; }
  e2e_focus "$1" "$id" || return 1
  echo "$id"
}

# No window manager gives a window the focus; a person's click would. Keys wait until the program,
# not only the X server, has made it the active window (the hook's last FOCUS line).
e2e_last_focus_is() { [ "$(grep '^FOCUS ' "$1" | tail -1)" = "FOCUS $2" ]; }
e2e_focus() {
  xdotool windowfocus --sync "$2" 2>/dev/null
  e2e_until e2e_last_focus_is "$1" "$2" || { echo "e2e_focus: the program never made $2 active" >&2; return 1; }
}

# The checked files recovered as a person at the keyboard does: Recover stands just before the
# search field (Ctrl+F, Shift+Tab); the folder dialog opens in the program's working folder, the
# destination, where Return takes it ("Recover Here"); Return answers the finished dialog.
# Pictures of the recovery going and of its end when named. A path typed into the dialog is no
# sure step without a window manager: the name completer's list takes the focus from the field
# while it shows, and the dialog then writes the names its list selected over the typed path.
e2e_recover_by_keys() {
  local finished
  xdotool key ctrl+f shift+Tab Return
  e2e_shown "$1" recoveryFolderDialog >/dev/null || return 1
  xdotool key Return
  if [ -n "${2-}" ]; then import -window root "$2" 2>/dev/null || true; fi
  finished=$(e2e_shown "$1" recoveryFinished) || return 1
  if [ -n "${3-}" ]; then import -window root "$3" 2>/dev/null || true; fi
  xdotool key Return
  e2e_until eval '! e2e_viewable "$finished"' || { echo "e2e_recover_by_keys: Return left the finished dialog open" >&2; return 1; }
}

e2e_quit_by_keys() {
  local program=$3
  e2e_focus "$1" "$2" || return 1
  xdotool key ctrl+q
  e2e_until eval '! kill -0 "$program" 2>/dev/null' || { kill "$program"; echo "e2e_quit_by_keys: Ctrl+Q did not quit" >&2; return 1; }
  wait "$program"
}

export -f e2e_until e2e_windows e2e_line e2e_viewable e2e_shown e2e_last_focus_is e2e_focus e2e_recover_by_keys \
  e2e_quit_by_keys
