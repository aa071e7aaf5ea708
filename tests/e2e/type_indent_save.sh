#!/usr/bin/env bash
# End to end under a real X server: open an outline in the program, type two
# items with real key events, indent the second, save with Ctrl+S, quit, and
# read the file back with the storage library's command.
#   type_indent_save.sh VELLACOR CORVALE
# Exits 77 (skipped) only when no X server can be started.
set -uo pipefail

vellacor=$1
corvale=$2
. "$(dirname "$0")/xvfb-session.sh"

file="$work/Trial.kxo"
"$corvale" new "$file" --title Trial >/dev/null || { echo "corvale new failed"; exit 1; }

start_program "$vellacor" "$file"

# The outline window's view has the keyboard: two items, the second indented.
xdotool type --delay 40 "first"
xdotool key --delay 40 Return
xdotool type --delay 40 "second"
xdotool key --delay 40 Tab
xdotool key --delay 40 ctrl+s
sleep 1
xdotool key --delay 40 ctrl+q
if ! wait_gone "$app_pid"; then
  echo "the program did not quit"; cat "$work/app.log"; exit 1
fi
app_pid=

actual=$("$corvale" cat "$file")
expected=$(printf '[ ] first\n  [ ] second')
if [ "$actual" != "$expected" ]; then
  echo "expected:"; echo "$expected"; echo "read back:"; echo "$actual"
  cat "$work/app.log"
  exit 1
fi
echo "ok"
