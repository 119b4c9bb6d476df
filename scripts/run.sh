#!/usr/bin/env bash
# Builds Corvane, installs it into build/install and starts it.
#
# On a desktop (DISPLAY set and its X server answering) the installed
# Corvane simply runs in the foreground. Where there is no display, a
# private X desktop is started instead (an Xorg dummy server with two
# monitors and the tray host trayer); Corvane runs there with its own home
# and settings folders, its popover is opened with a click on the tray
# icon, and screenshots of the tray and of the open popover are saved to
# build/run-screenshots/. Everything keeps running until Ctrl-C, which
# stops Corvane and then the private desktop.
#
# CORVANE_BUILD_DIR names another build folder than build/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${CORVANE_BUILD_DIR:-$root/build}
mkdir -p "$build"
build=$(cd "$build" && pwd)
prefix="$build/install"

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"
cmake --install "$build" --prefix "$prefix" >/dev/null

corvane=$(find "$prefix" -path '*/Corvane.app/Contents/MacOS/Corvane' -type f | head -n 1)
if [ -z "$corvane" ]; then
  echo "run: the installation in $prefix holds no Corvane.app" >&2
  exit 1
fi

if [ -n "${DISPLAY:-}" ] && timeout 10 xrandr --current >/dev/null 2>&1; then
  echo "run: starting $corvane on $DISPLAY"
  exec "$corvane"
fi

# --- No display: a private desktop -----------------------------------------
desktop_tool="$build/bin/corvane-virtual-desktop"
screenshot="$build/bin/corvane-screenshot"
if [ ! -x "$desktop_tool" ] || [ ! -x "$screenshot" ]; then
  echo "run: there is no display, and the private desktop tools were not built" >&2
  exit 1
fi
# shellcheck source-path=SCRIPTDIR source=../tools/devdesktop/session.sh
source "$root/tools/devdesktop/session.sh"

shots="$build/run-screenshots"
rm -rf "$shots"
mkdir -p "$shots"
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-run-XXXXXX")
desktop_pid='' corvane_pid=''
# shellcheck disable=SC2317 # called through the trap
finish() {
  trap - INT TERM
  if [ -n "$corvane_pid" ]; then
    stop_process "$corvane_pid" || true
  fi
  stop_process "$desktop_pid" 20 || true
  rm -rf "$work"
}
trap finish EXIT
trap 'echo; echo "run: stopping"; exit 130' INT
trap 'exit 143' TERM

echo "run: no display here; starting a private desktop"
start_virtual_desktop "$desktop_tool" "$work"
private_session "$work/session" "$desktop_display"
on_desktop() { "${session_env[@]}" "$@"; }

echo "run: starting $corvane on $desktop_display"
# Started without a function around it, so that $! is Corvane itself and
# not a subshell that would die alone on SIGTERM.
"${session_env[@]}" "$corvane" &
corvane_pid=$!

corvane_running() {
  if ! kill -0 "$corvane_pid" 2>/dev/null; then
    local status=0
    wait "$corvane_pid" || status=$?
    corvane_pid=
    echo "run: Corvane ended with status $status" >&2
    exit 1
  fi
}

# Prints "X Y WIDTH HEIGHT" of a window.
geometry() {
  on_desktop xdotool getwindowgeometry --shell "$1" |
    awk -F= '{ v[$1] = $2 } END { print v["X"], v["Y"], v["WIDTH"], v["HEIGHT"] }'
}

# The tray icon is Corvane's first window; it counts as shown once trayer
# has embedded it, that is once it lies inside trayer's window.
tray='' icon=''
for _ in $(seq 200); do
  corvane_running
  tray=$(on_desktop xdotool search --onlyvisible --class trayer 2>/dev/null | head -n 1 || true)
  icon=$(on_desktop xdotool search --onlyvisible --class Corvane 2>/dev/null | head -n 1 || true)
  if [ -n "$tray" ] && [ -n "$icon" ]; then
    read -r tx ty tw th <<<"$(geometry "$tray")"
    read -r ix iy iw ih <<<"$(geometry "$icon")"
    if [ "$ix" -ge "$tx" ] && [ "$iy" -ge "$ty" ] &&
      [ $((ix + iw)) -le $((tx + tw)) ] && [ $((iy + ih)) -le $((ty + th)) ]; then
      break
    fi
  fi
  icon=
  sleep 0.1
done
if [ -z "$icon" ]; then
  echo "run: Corvane's tray icon did not appear within 20 s" >&2
  exit 1
fi
# The icon's place settles shortly after it is shown.
sleep 0.5
read -r ix iy iw ih <<<"$(geometry "$icon")"
on_desktop "$screenshot" --output "$shots/tray.png" --window "$tray"

on_desktop xdotool mousemove --sync $((ix + iw / 2)) $((iy + ih / 2)) click 1
popover=
for _ in $(seq 50); do
  corvane_running
  popover=$(on_desktop xdotool search --onlyvisible --name '^Corvane$' 2>/dev/null |
    grep -vx "$icon" | head -n 1 || true)
  [ -n "$popover" ] && break
  sleep 0.1
done
if [ -n "$popover" ]; then
  # Let the panel finish its first paint.
  sleep 0.5
else
  echo "run: the click on the tray icon did not open the popover; the screenshot shows why" >&2
fi
on_desktop "$screenshot" --output "$shots/popover.png"

echo "run: screenshots of the tray (tray.png) and the open popover (popover.png) are in"
echo "     $shots"
echo "run: Corvane is running on the private display $desktop_display; press Ctrl-C to stop"
# Ctrl-C ends this wait through the trap above; getting past it means
# Corvane ended by itself, for instance through its Quit entry.
status=0
wait "$corvane_pid" || status=$?
corvane_pid=
echo "run: Corvane ended with status $status"
exit "$status"
