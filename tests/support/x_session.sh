# Sourced by the test scripts that run the real nimbo-control. Gives `$work`,
# a scratch folder that also holds this test's own single-instance lock;
# `pid`, the program's process id, killed at the end if it still runs; `fail`;
# and start_x_server, a virtual X server of the test's own for the windows.
# Everything the session started or made goes at the end.
set -euo pipefail

work=$(mktemp -d)
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"
pid=""
x_server=""

end_session() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi
  if [ -n "$x_server" ]; then kill "$x_server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap end_session EXIT
trap 'exit 1' HUP INT TERM  # a time-out of the test run ends it the same way

fail() {
  echo "$(basename "$0" .sh): $*" >&2
  exit 1
}

# Xvfb picks a display no other server uses and names it once it takes
# connections, so tests that run at the same time never meet. -noreset: by
# default the server resets whenever its last client leaves and refuses
# connections meanwhile.
start_x_server() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp \
    3>"$work/display" 2>"$work/xvfb.log" &
  x_server=$!
  for _ in $(seq 1 200); do
    [ -s "$work/display" ] && break
    kill -0 "$x_server" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.05
  done
  [ -s "$work/display" ] || fail "Xvfb named no display within 10 s"
  export DISPLAY=":$(head -n 1 "$work/display")"
  export QT_QPA_PLATFORM=xcb  # the test command sets offscreen for the window tests
}

# Prints the id of the window named exactly $1 once it is shown (within $2
# tenths of a second, 30 s when left out).
wait_window() {
  local id
  for _ in $(seq 1 "${2:-300}"); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || true
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Saves a screenshot of window $1 as $2 once it has painted (two looks in a
# row agree) and shows more than $3 colours.
shoot() {
  for _ in $(seq 1 50); do
    import -window "$1" "$2" || fail "the window went away"
    [ "$(identify -format %k "$2")" -gt "$3" ] &&
      compare -metric AE "$work/look.png" "$2" null: 2>/dev/null && return 0
    cp "$2" "$work/look.png"
    sleep 0.2
  done
  fail "no steady screenshot $2 with more than $3 colours"
}

# Ends the program as the user would (SIGTERM), which must end with status 0.
stop_program() {
  local status=0
  kill -TERM "$pid"
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "nimbo-control ended with status $status"
}
