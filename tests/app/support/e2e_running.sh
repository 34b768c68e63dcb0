# Sourced by the end-to-end scripts that act on a copy of the program while it runs: wait until the
# copy has come past its start, as the copy itself shows it, instead of sleeping a guess.
#   pid=$(e2e_wait_running <runner pid> <pgrep -f pattern>) || fail "..."
# The copy whose command line matches the pattern holds the one-copy lock (a second copy started
# now must find it) and handles SIGTERM (its language is stored and a signal ends it as it should).
# Fails once the runner, the background job that started the copy, has ended first.
e2e_lock_file() {  # where the program keeps its lock
  if [[ ${XDG_RUNTIME_DIR-} == /* ]]; then echo "$XDG_RUNTIME_DIR/quorin.lock"; else echo "/tmp/quorin-$(id -u).lock"; fi
}

# Whether a copy holds the lock, read from /proc/locks, so that looking takes no lock a starting
# copy could meet.
e2e_lock_held() {
  local dev inode
  read -r dev inode < <(stat -c '%d %i' "$(e2e_lock_file)" 2>/dev/null) || return 1
  # /proc/locks names the file by its device's major:minor (hex) and its inode.
  grep -q " FLOCK .* $(printf '%02x:%02x' $(((dev >> 8) & 0xfff)) $(((dev & 0xff) | ((dev >> 12) & 0xfff00)))):$inode " /proc/locks
}

e2e_handles_sigterm() {  # <pid>: its caught-signals mask has SIGTERM's bit
  local mask
  mask=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$1/status" 2>/dev/null)
  [ -n "$mask" ] && (((16#$mask >> 14) & 1))
}

e2e_wait_running() {
  local pid
  while kill -0 "$1" 2>/dev/null; do
    pid=$(pgrep -f "$2" | head -1 || true)
    if [ -n "$pid" ] && e2e_lock_held && e2e_handles_sigterm "$pid"; then
      echo "$pid"
      return 0
    fi
    sleep 0.05
  done
  return 1
}
