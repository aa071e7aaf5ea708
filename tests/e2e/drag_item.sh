#!/usr/bin/env bash
# End to end under a real X server: type three items, drag the last one by
# its expander with real mouse events onto the top half of the first row
# (before every item, at the top level), save, quit, and read the file back.
#   drag_item.sh VELLACOR CORVALE
# The view's rows are read from the file that VELLACOR_VIEW_PROBE names.
# Exits 77 (skipped) only when no X server can be started.
set -uo pipefail

vellacor=$1
corvale=$2
. "$(dirname "$0")/xvfb-session.sh"
export VELLACOR_VIEW_PROBE="$work/rows.txt"

file="$work/Trial.kxo"
"$corvale" new "$file" --title Trial >/dev/null || { echo "corvale new failed"; exit 1; }

start_program "$vellacor" "$file"

xdotool type --delay 40 "first"
xdotool key --delay 40 Return
xdotool type --delay 40 "second"
xdotool key --delay 40 Return
xdotool type --delay 40 "third"
sleep 0.5

# The rows as the view last painted them: text, expander x and y, level.
row() { awk -F'\t' -v t="$1" '$1 == t { print $2, $3; exit }' "$work/rows.txt"; }
for _ in $(seq 50); do
  [ -f "$work/rows.txt" ] && [ "$(wc -l <"$work/rows.txt")" -ge 3 ] && [ -n "$(row third)" ] && break
  sleep 0.1
done
read -r fx fy <<<"$(row first)"
read -r tx ty <<<"$(row third)"
if [ -z "${fx:-}" ] || [ -z "${tx:-}" ]; then
  echo "the view reported no rows:"; cat "$work/rows.txt" 2>/dev/null; cat "$work/app.log"; exit 1
fi

# Press on the expander of "third", pass the drag threshold, glide to the
# top half of the first row over the level-0 expander column, release.
xdotool mousemove --sync "$tx" "$ty"
sleep 0.2
xdotool mousedown 1
sleep 0.2
xdotool mousemove --sync "$tx" $((ty - 8))
sleep 0.3
steps=6
for i in $(seq 1 $steps); do
  y=$((ty - 8 - (ty - 8 - (fy - 3)) * i / steps))
  xdotool mousemove --sync "$fx" "$y"
  sleep 0.15
done
sleep 0.3
xdotool mouseup 1
sleep 0.5

xdotool key --delay 40 ctrl+s
sleep 1
xdotool key --delay 40 ctrl+q
for _ in $(seq 100); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then
  echo "the program did not quit"; cat "$work/app.log"; exit 1
fi
app_pid=

actual=$("$corvale" cat "$file")
expected=$(printf '[ ] third\n[ ] first\n[ ] second')
if [ "$actual" != "$expected" ]; then
  echo "expected:"; echo "$expected"; echo "read back:"; echo "$actual"
  echo "rows:"; cat "$work/rows.txt"
  cat "$work/app.log"
  exit 1
fi
echo "ok"
