#!/usr/bin/env bash
# Installs what is missing, builds Corvane with warnings as errors and runs
# every test. With --sanitize the build goes to its own folder and runs under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bash "$root/scripts/setup.sh"

build="$root/build"
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_WERROR=ON)
if [ "${1:-}" = --sanitize ]; then
  build="$root/build-sanitize"
  options+=(-DCORVANE_SANITIZE=ON -DCORVANE_BUILD_BENCHMARKS=OFF)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
  export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

cmake -S "$root" -B "$build" -G Ninja "${options[@]}"
cmake --build "$build"

# Tests start their own X servers, tray hosts and web servers; they must
# never touch the desktop or session bus of whoever runs them.
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
cd "$build"
ctest --output-on-failure --parallel 2
"$build/bin/corvane-renders" "$build/renders"

# Every fuzz target for a few seconds, its seeds first; scripts/fuzz.sh
# runs them longer.
if [ "${1:-}" != --sanitize ]; then
  bash "$root/scripts/fuzz.sh" 5
fi
