#!/usr/bin/env bash
# End to end under a real X server: the program runs without an outline; a
# second start with an outline hands the file to the first and exits; the
# first opens it in its window (the main window's title names the outline),
# and a third start without a file only brings the first to the front and
# exits. The first runs throughout.
#   second_instance.sh VELLACOR CORVALE
# Exits 77 (skipped) only when no X server can be started.
set -uo pipefail

vellacor=$1
corvale=$2
. "$(dirname "$0")/xvfb-session.sh"

file="$work/Handed over.kxo"
"$corvale" new "$file" --title "Handed over" >/dev/null || { echo "corvale new failed"; exit 1; }

"$vellacor" >"$work/first.log" 2>&1 &
app_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$app_pid" --name Vellacor 2>/dev/null | head -1)
if [ -z "$window" ]; then
  echo "the program showed no window"; cat "$work/first.log"; exit 1
fi
sleep 1
title=$(xdotool getwindowname "$window")
[ "$title" = "Vellacor" ] || { echo "unexpected first title: $title"; exit 1; }

"$vellacor" "$file" >"$work/second.log" 2>&1 &
second=$!
extra_pids=$second
if ! wait_gone "$second"; then
  echo "the second instance did not hand over and exit"; cat "$work/second.log"; exit 1
fi
wait "$second"; status=$?
[ "$status" -eq 0 ] || { echo "second instance exit status $status"; cat "$work/second.log"; exit 1; }

# The first instance opens the file: its main window names the outline.
opened=
for _ in $(seq 100); do
  title=$(xdotool getwindowname "$window" 2>/dev/null)
  case "$title" in "Handed over"*" - Vellacor") opened=1; break ;; esac
  sleep 0.1
done
if [ -z "$opened" ]; then
  echo "the first instance did not open the file; title: $title"
  cat "$work/first.log" "$work/second.log"; exit 1
fi

"$vellacor" >"$work/third.log" 2>&1 &
third=$!
extra_pids="$second $third"
wait_gone "$third" || { echo "the third instance kept running"; exit 1; }
kill -0 "$app_pid" 2>/dev/null || { echo "the first instance is gone"; exit 1; }

xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --delay 40 ctrl+q
wait_gone "$app_pid" || { echo "the program did not quit"; cat "$work/first.log"; exit 1; }
app_pid=
echo "ok"
