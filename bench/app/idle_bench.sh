#!/usr/bin/env bash
# Idle cost of Corvane beside a bare Qt tray application, and beside the same
# application woken every two seconds (what the wake-ups alone cost on this
# machine), measured in the same run on the same private desktop:
#   resident memory (VmRSS) 10 s after start, and
#   CPU time over the following 60 s of doing nothing.
# Goals: CPU per two-second refresh at most 0.1 ms; memory within 1.1 × the
# bare application.
#
#   bash bench/app/idle_bench.sh [BUILD_FOLDER]     (default: build)
#
# Needs the targets Corvane, corvane-virtual-desktop and bare_tray built in
# BUILD_FOLDER.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
settle=${CORVANE_BENCH_SETTLE:-10}
window=${CORVANE_BENCH_WINDOW:-60}
tick=2

# shellcheck source-path=SCRIPTDIR source=../../tools/devdesktop/session.sh
source "$root/tools/devdesktop/session.sh"

corvane=$build/bin/Corvane
desktop=$build/bin/corvane-virtual-desktop
bare=$build/bench/app/bare_tray
for program in "$corvane" "$desktop" "$bare"; do
  if [ ! -x "$program" ]; then
    echo "idle_bench: $program is missing; build it with" >&2
    echo "  cmake --build $build --target Corvane corvane-virtual-desktop bare_tray" >&2
    exit 1
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-idle-XXXXXX")
desktop_pid='' corvane_pid='' bare_pid='' ticking_pid=''
cleanup() {
  stop_process "$corvane_pid" || true
  stop_process "$bare_pid" || true
  stop_process "$ticking_pid" || true
  stop_process "$desktop_pid" 20 || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_virtual_desktop "$desktop" "$work"

private_session "$work/corvane" "$desktop_display"
"${session_env[@]}" "$corvane" >"$work/corvane.log" 2>&1 &
corvane_pid=$!
private_session "$work/bare" "$desktop_display"
"${session_env[@]}" "$bare" >"$work/bare.log" 2>&1 &
bare_pid=$!
private_session "$work/ticking" "$desktop_display"
"${session_env[@]}" "$bare" --tick >"$work/ticking.log" 2>&1 &
ticking_pid=$!

clock_ticks=$(getconf CLK_TCK)

# utime + stime of the whole process, in clock ticks. The command name in
# field 2 may hold spaces, so fields are counted after its closing bracket.
cpu_ticks() {
  local stat
  stat=$(<"/proc/$1/stat")
  stat=${stat##*) }
  # shellcheck disable=SC2086
  set -- $stat
  echo $(( ${12} + ${13} ))
}

# Time on the CPU of every thread of the process, in nanoseconds, from the
# scheduler's own accounting: far finer than the clock ticks above, which
# come in 10 ms steps.
cpu_nanoseconds() {
  local total=0 task value
  for task in /proc/"$1"/task/*/schedstat; do
    read -r value _ <"$task" 2>/dev/null || continue
    total=$((total + value))
  done
  echo "$total"
}

status_kib() {
  awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"
}

alive() {
  local name=$1 pid=$2
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "idle_bench: $name ended early; its output:" >&2
    cat "$work/$name.log" >&2
    exit 1
  fi
}

sleep "$settle"
alive corvane "$corvane_pid"
alive bare "$bare_pid"
alive ticking "$ticking_pid"
declare -A rss anon file ticks0 ns0 ticks1 ns1
for name in corvane bare ticking; do
  pid_var=${name}_pid
  pid=${!pid_var}
  rss[$name]=$(status_kib "$pid" VmRSS)
  anon[$name]=$(status_kib "$pid" RssAnon)
  file[$name]=$(status_kib "$pid" RssFile)
  ticks0[$name]=$(cpu_ticks "$pid")
  ns0[$name]=$(cpu_nanoseconds "$pid")
done

sleep "$window"
alive corvane "$corvane_pid"
alive bare "$bare_pid"
alive ticking "$ticking_pid"
for name in corvane bare ticking; do
  pid_var=${name}_pid
  pid=${!pid_var}
  ticks1[$name]=$(cpu_ticks "$pid")
  ns1[$name]=$(cpu_nanoseconds "$pid")
done

refreshes=$((window / tick))
awk -v hz="$clock_ticks" -v refreshes="$refreshes" -v window="$window" -v settle="$settle" \
  -v c_rss="${rss[corvane]}" -v b_rss="${rss[bare]}" \
  -v c_anon="${anon[corvane]}" -v b_anon="${anon[bare]}" \
  -v c_file="${file[corvane]}" -v b_file="${file[bare]}" \
  -v c_ticks=$((ticks1[corvane] - ticks0[corvane])) -v b_ticks=$((ticks1[bare] - ticks0[bare])) \
  -v c_ns=$((ns1[corvane] - ns0[corvane])) -v b_ns=$((ns1[bare] - ns0[bare])) \
  -v t_ns=$((ns1[ticking] - ns0[ticking])) '
function mib(kib) { return kib / 1024 }
BEGIN {
  c_ms = c_ticks * 1000 / hz; b_ms = b_ticks * 1000 / hz
  c_precise = c_ns / 1e6; b_precise = b_ns / 1e6
  printf "Idle benchmark: memory %d s after start, CPU over the next %d s\n\n", settle, window
  printf "%-38s %12s %14s\n", "", "Corvane", "bare Qt tray"
  printf "%-38s %8.1f MiB %10.1f MiB\n", "resident memory (VmRSS)", mib(c_rss), mib(b_rss)
  printf "%-38s %8.1f MiB %10.1f MiB\n", "  of which anonymous (RssAnon)", mib(c_anon), mib(b_anon)
  printf "%-38s %8.1f MiB %10.1f MiB\n", "  of which files (RssFile)", mib(c_file), mib(b_file)
  printf "%-38s %9.0f ms %11.0f ms\n", "CPU time, utime+stime (10 ms steps)", c_ms, b_ms
  printf "%-38s %9.2f ms %11.2f ms\n", "CPU time, scheduler (ns accounting)", c_precise, b_precise
  printf "\n"
  per_tick = c_ms / refreshes; per_tick_precise = c_precise / refreshes
  ratio = c_rss / b_rss
  printf "CPU per %d-s refresh (Corvane): %.3f ms by utime+stime, %.3f ms by the scheduler; goal <= 0.1 ms: %s\n", \
    window / refreshes, per_tick, per_tick_precise, (per_tick_precise <= 0.1 ? "met" : "MISSED")
  printf "Memory ratio Corvane / bare: %.2f; goal <= 1.1: %s\n", ratio, (ratio <= 1.1 ? "met" : "MISSED")
  printf "Bare Qt tray woken every %d s: %.3f ms per wake-up by the scheduler (the floor of any refresh here)\n", \
    window / refreshes, t_ns / 1e6 / refreshes
}'
