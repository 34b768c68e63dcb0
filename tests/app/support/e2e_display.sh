# Sourced by the end-to-end scripts, after e2e_cleanup.sh: e2e_x runs a command under an X server
# of its own, as `xvfb-run -a` would, without its races. xvfb-run -a guesses a free display from
# the /tmp/.X*-lock files, so runs started together pick the same number and retry, and it ends
# with a status of its own (5) when removing its folder fails, hiding the command's. Here the
# server takes the first display whose socket is free (-displayfd: binding the socket is the
# claim, so two servers never share one) and tells its number once it accepts connections. It
# never resets (-noreset): by default a server resets when its last client leaves, and a program
# slow to start (under the sanitizers, on busy cores) then fails to connect ("could not connect
# to display") because a script's xdotool came and went first.
#   e2e_x [-s "<server arguments>"] <command...>   # the command's exit status
#   e2e_x -s "-screen 0 1280x800x24" timeout 120 "$quorin" --scan "$image" --quit-when-done
e2e_display_tmp=${TMPDIR:-/tmp}
# A run the script was stopped in leaves its folder; the script's end removes it.
e2e_on_exit 'rm -rf "$e2e_display_tmp"/quorin-x."$QUORIN_E2E_RUN".*'

e2e_x() {
  local server_args="-screen 0 1280x1024x24"
  if [[ ${1-} == -s ]]; then server_args=$2; shift 2; fi
  local dir cookie server display="" rc=0
  dir=$(mktemp -d "$e2e_display_tmp/quorin-x.$QUORIN_E2E_RUN.XXXXXX") || return 1
  cookie=$(mcookie)
  : >"$dir/auth"
  # The server takes every cookie of its file, whatever display it names; the clients look one up
  # by their display's number, added once the server has told it.
  xauth -q -f "$dir/auth" add :0 . "$cookie"
  mkfifo "$dir/display"
  # shellcheck disable=SC2086  # the server's arguments are words, as xvfb-run -s takes them
  Xvfb -displayfd 3 -nolisten tcp -noreset -auth "$dir/auth" $server_args 3>"$dir/display" >"$dir/server.log" 2>&1 &
  server=$!
  read -r display <"$dir/display" || true
  if [[ ! $display =~ ^[0-9]+$ ]]; then
    echo "e2e_x: the X server did not start: $(cat "$dir/server.log")" >&2
    e2e_x_end "$server" "$dir"
    return 1
  fi
  xauth -q -f "$dir/auth" add ":$display" . "$cookie"
  DISPLAY=:$display XAUTHORITY=$dir/auth "$@" || rc=$?
  e2e_x_end "$server" "$dir"
  return "$rc"
}

e2e_x_end() {  # e2e_x_end <server pid> <folder>
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  rm -rf "$2"
}
