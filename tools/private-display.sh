# Sourced by the tools that need a display: when none is set, starts Xvfb on
# the first free display number from $1 to $2, exports DISPLAY and leaves the
# server's process id in xvfb_pid (empty when a display was already set or
# none could be started); the caller kills it when done.
xvfb_pid=""
start_private_display() {
  [ -z "${DISPLAY:-}" ] || return 0
  local n
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 1
    if kill -0 "$xvfb_pid" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
    xvfb_pid=""
  done
}
