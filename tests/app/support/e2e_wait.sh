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
#                                          # window to show, gives it the focus, prints its id
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
    ((SECONDS < deadline)) || { echo "e2e_line: no line '$2' in $1" >&2; return 1; }
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
  # No window manager gives a new window the focus; a person's click would.
  xdotool windowfocus --sync "$id" 2>/dev/null
  echo "$id"
}

export -f e2e_until e2e_windows e2e_line e2e_viewable e2e_shown
