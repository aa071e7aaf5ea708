# Shared by the end-to-end scripts: a private X server (Xvfb) on a free
# display, a private home and runtime folder, and cleanup on exit. Sets
# $work, $DISPLAY and $app_pid (for the caller's program); exits 77
# (skipped) only when no X server can be started.

work=$(mktemp -d)
xvfb_pid=
app_pid=
extra_pids=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  for pid in $extra_pids; do kill "$pid" 2>/dev/null; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
command -v Xvfb >/dev/null || { echo "no Xvfb"; exit 77; }
command -v xdotool >/dev/null || { echo "xdotool missing (scripts/install-deps)"; exit 1; }

# A display number nobody uses. Tests run side by side, so two may pick the
# same free number: the one whose server does not come up tries the next.
display=
offset=$(( $$ % 50 ))
for i in $(seq 0 69); do
  n=$(( 91 + (offset + i) % 140 ))
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
    display=$n
    break
  fi
  kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=
done
if [ -z "$display" ]; then
  echo "Xvfb could not start:"; cat "$work/xvfb.log"; exit 77
fi

export DISPLAY=":$display"
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

# Waits up to 10 s for process $1 to end; false when it is still running.
wait_gone() {
  for _ in $(seq 100); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

# Starts PROGRAM ARGS... in the background ($app_pid), waits for its window
# ($window) and gives it the keyboard. The program's output goes to
# $work/app.log.
start_program() {
  "$@" >"$work/app.log" 2>&1 &
  app_pid=$!
  window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$app_pid" 2>/dev/null | head -1)
  if [ -z "$window" ]; then
    echo "the program showed no window"; cat "$work/app.log"; exit 1
  fi
  sleep 1
  xdotool windowfocus --sync "$window" 2>/dev/null || true
}
