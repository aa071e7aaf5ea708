#!/usr/bin/env bash
# End to end with real processes under a real X server:
#  1. Palm mode with palm-desktop; the program edits an outline of the
#     handheld folder; hotsync runs against it: the edit is saved before the
#     exchange, the handheld's change to the same outline is in the window
#     afterwards, and the outline and category from the handheld are there.
#  2. The program is killed (kill -9) during an edit; the next start offers
#     the recovery copy back, the edit is saved under a new name and the
#     user's own file never got the unsaved edit.
#  The notifier reaches the program because the installer registered it.
#   hotsync_recovery.sh VELLACOR CORVALE PALM_DESKTOP HOTSYNC INSTALLER NOTIFIER
# Exits 77 (skipped) only when no X server can be started.
set -uo pipefail

vellacor=$1
corvale=$2
palm_desktop=$3
hotsync=$4
installer=$5
notifier=$6
. "$(dirname "$0")/xvfb-session.sh"
plans=
handheld=
fail() {
  echo "FAILED: $*"
  if [ -n "$app_pid" ]; then
    echo "--- the program's windows"
    for w in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
      xdotool getwindowname "$w"
    done
  fi
  echo "--- program output"; cat "$work/app.log" 2>/dev/null
  echo "--- hotsync"; cat "$work/hotsync.log" 2>/dev/null; "$corvale" cat "$plans"; ls "$handheld"
  exit 1
}

"$palm_desktop" setup "$work/Palm" --user Ann >/dev/null || fail "palm-desktop setup"
handheld="$work/Palm/Ann/Vellacor"
"$installer" install --notifier "$notifier" >"$work/install.log" 2>&1 \
  || { cat "$work/install.log"; fail "the notifier could not be registered"; }
mkdir -p "$handheld"
plans="$handheld/Plans.kxo"
"$corvale" new "$plans" --title Plans >/dev/null || fail "corvale new"

start_program() {
  "$vellacor" "$@" >>"$work/app.log" 2>&1 &
  app_pid=$!
  window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$app_pid" 2>/dev/null | head -1)
  [ -n "$window" ] || fail "the program showed no window"
  sleep 1.5
  xdotool windowfocus --sync "$window" 2>/dev/null || true
}
quit_program() {
  xdotool key --delay 40 ctrl+q
  for _ in $(seq 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not quit"
  app_pid=
}

# ---- 1. A HotSync while an outline of the handheld folder has changes.
start_program "$plans"
xdotool type --delay 40 "desk"
"$hotsync" --user Ann --add-outline Shopping --category Errands --item Milk \
  --change-item Plans 1 "palm" --hold 2 >"$work/hotsync.log" 2>&1 &
hotsync_pid=$!
# While the exchange runs the edit must be in the file already.
saved=
for _ in $(seq 40); do
  if grep -q "Changed item" "$work/hotsync.log"; then saved=yes; break; fi
  sleep 0.1
done
wait "$hotsync_pid" || { cat "$work/hotsync.log"; fail "hotsync failed"; }
[ -n "$saved" ] || { cat "$work/hotsync.log"; fail "hotsync did not exchange"; }
grep -q "close the outlines done" "$work/hotsync.log" || fail "the program did not prepare"
# The window came back with the handheld's text: typing and saving now
# writes it together with the new typing.
sleep 1
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --delay 40 End
xdotool type --delay 40 "top"
xdotool key --delay 40 ctrl+s
sleep 1
quit_program
actual=$("$corvale" cat "$plans")
[ "$actual" = "[ ] palmtop" ] || fail "Plans after the HotSync: '$actual' (expected '[ ] palmtop')"
"$corvale" cat "$handheld/Shopping.kxo" | grep -q Milk || fail "the outline from the handheld"
"$corvale" cat "$handheld/categories.dat" | grep -q Errands || fail "the category from the handheld"

# ---- 2. Killed during an edit; the next start offers the edit back.
export VELLACOR_RECOVERY_SECONDS=1
start_program "$plans"
xdotool key --delay 40 End
xdotool type --delay 40 "lost"
sleep 3
kill -9 "$app_pid"
wait "$app_pid" 2>/dev/null
app_pid=
recovery="$XDG_DATA_HOME/Larkwell/Vellacor/Recovery"
ls "$recovery"/*.kxo >/dev/null 2>&1 || fail "no recovery copy after the kill"
[ "$("$corvale" cat "$plans")" = "[ ] palmtop" ] || fail "the user's file was written without a Save"

start_program --recovered open
if [ -n "${E2E_DEBUG:-}" ]; then for w in $(xdotool search --onlyvisible --pid "$app_pid"); do xdotool getwindowname "$w"; done; fi
xdotool key --delay 40 ctrl+s
sleep 1
if [ -n "${E2E_DEBUG:-}" ]; then for w in $(xdotool search --onlyvisible --pid "$app_pid"); do xdotool getwindowname "$w"; done; fi
quit_program
recovered=$(ls "$handheld"/*.kxo | grep -v -e '/Plans.kxo$' -e '/Shopping.kxo$' -e '/Folder.kxo$' | head -1)
[ -n "$recovered" ] || { ls -la "$handheld"; fail "the recovered outline was not saved beside the original"; }
[ "$("$corvale" cat "$recovered")" = "[ ] palmtoplost" ] \
  || fail "recovered outline: '$("$corvale" cat "$recovered")'"
[ "$("$corvale" cat "$plans")" = "[ ] palmtop" ] || fail "the original changed"
if ls "$recovery"/*.kxo >/dev/null 2>&1; then ls -la "$recovery"; fail "copies left after a clean exit"; fi
echo "ok"
