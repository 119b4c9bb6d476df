# shellcheck shell=bash
# Shell helpers for scripts that run programs on a private desktop made by
# corvane-virtual-desktop. Source it; it defines functions only.

# start_virtual_desktop PROGRAM FOLDER
# Starts the desktop in the background, its output kept in FOLDER, and waits
# (60 s at most) for its DISPLAY line. Sets desktop_pid and desktop_display.
start_virtual_desktop() {
  local program=$1 folder=$2
  "$program" >"$folder/desktop.out" 2>"$folder/desktop.err" &
  desktop_pid=$!
  local tenths=0
  until grep -q '^DISPLAY=' "$folder/desktop.out"; do
    if ! kill -0 "$desktop_pid" 2>/dev/null; then
      echo "the virtual desktop did not start:" >&2
      cat "$folder/desktop.err" >&2
      desktop_pid=
      return 1
    fi
    if [ "$tenths" -ge 600 ]; then
      echo "the virtual desktop was not ready within 60 s" >&2
      return 1
    fi
    sleep 0.1
    tenths=$((tenths + 1))
  done
  # shellcheck disable=SC2034 # for the caller
  desktop_display=$(sed -n 's/^DISPLAY=//p' "$folder/desktop.out" | head -n 1)
}

# stop_process PID [SECONDS]
# Stops one child of this shell by its process identifier: SIGTERM, then
# SIGKILL when it is still there after SECONDS (default 10). Returns the
# child's exit status.
stop_process() {
  local pid=$1 seconds=${2:-10}
  [ -n "$pid" ] || return 0
  kill -TERM "$pid" 2>/dev/null || true
  local tenths=0
  while kill -0 "$pid" 2>/dev/null && [ "$tenths" -lt $((seconds * 10)) ]; do
    sleep 0.1
    tenths=$((tenths + 1))
  done
  kill -KILL "$pid" 2>/dev/null || true
  local status=0
  wait "$pid" 2>/dev/null || status=$?
  return "$status"
}

# private_session FOLDER DISPLAY
# Fills the array session_env with an `env` command line that runs a
# program on DISPLAY with its own home, configuration, cache, data and
# runtime folders under FOLDER and without the caller's D-Bus or Wayland
# session, so that nothing of the user's settings is read or touched.
private_session() {
  local folder=$1 display=$2
  mkdir -p "$folder/home" "$folder/config" "$folder/cache" "$folder/data" "$folder/runtime"
  chmod 700 "$folder/runtime"
  # shellcheck disable=SC2034 # for the caller
  session_env=(env -u DBUS_SESSION_BUS_ADDRESS -u WAYLAND_DISPLAY -u SESSION_MANAGER
    DISPLAY="$display" QT_QPA_PLATFORM=xcb
    HOME="$folder/home" XDG_CONFIG_HOME="$folder/config" XDG_CACHE_HOME="$folder/cache"
    XDG_DATA_HOME="$folder/data" XDG_RUNTIME_DIR="$folder/runtime")
}
