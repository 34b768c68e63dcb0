# Sourced by the end-to-end scripts, first thing: whatever way the script leaves (a failed check
# under set -e, a timeout, a signal), every process it started ends with it: the program, the X
# server it ran under (support/e2e_display.sh), a helper server. A program left running would hold
# the one-copy lock and make the next script's runs leave at once.
#
# Each process started from here on carries a mark in its environment, so that one whose parent
# was killed first (an orphan re-parented away from the script) is still found.
#   source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_cleanup.sh"
#   e2e_on_exit 'rm -rf "$work"'   # the script's own cleaning, run after the processes end
export QUORIN_E2E_RUN="$$-$RANDOM-$(date +%s%N)"
e2e_exit_commands=()

e2e_on_exit() { e2e_exit_commands+=("$1"); }

# The processes started by this script and still running (never the script itself).
e2e_started() {
  local file pid
  for file in /proc/[0-9]*/environ; do
    pid=${file#/proc/}; pid=${pid%/environ}
    [[ $pid == "$$" || $pid == "$BASHPID" ]] && continue
    grep -qzx "QUORIN_E2E_RUN=$QUORIN_E2E_RUN" "$file" 2>/dev/null && echo "$pid"
  done
}

e2e_end_started() {
  local rc=$? pids command
  set +e
  pids=$(e2e_started)
  if [ -n "$pids" ]; then
    kill -TERM $pids 2>/dev/null
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      pids=$(e2e_started)
      [ -z "$pids" ] && break
      sleep 0.2
    done
    [ -z "$pids" ] || kill -KILL $pids 2>/dev/null
  fi
  for command in "${e2e_exit_commands[@]}"; do eval "$command"; done
  exit "$rc"
}
trap e2e_end_started EXIT
