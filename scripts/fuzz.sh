#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang into build-fuzz and runs
# each for SECONDS (default 60) on a scratch copy of its seed corpus, so the
# seeds in the repository never change. Exits non-zero, naming the target
# and the input that made it fail, when one finds a fault.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}

build="$root/build-fuzz"
cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build"

# Work files live in memory (in the temporary folder where /dev/shm cannot
# be written) and go when the script ends, a crashing input's folder
# included.
memory=/dev/shm
[ -w "$memory" ] || memory=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$memory/corvane-fuzz-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
# The settings and unpacking targets make a folder per input here too.
export TMPDIR="$scratch"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Readable stack traces need llvm-symbolizer (package llvm-14) where it is.
if [ -x /usr/bin/llvm-symbolizer-14 ]; then
  export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-/usr/bin/llvm-symbolizer-14}
fi
failed=0
for seeds in "$root"/fuzz/corpus/*/; do
  target=$(basename "$seeds")
  work="$scratch/$target"
  mkdir -p "$work/corpus" "$work/artifacts"
  cp "$seeds"* "$work/corpus/"
  echo "fuzz: $target for ${seconds}s"
  if ! "$build/bin/fuzz-$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus" \
      >"$work/log" 2>&1; then
    mkdir -p "$build/findings/$target"
    cp "$work/artifacts/"* "$build/findings/$target/" 2>/dev/null || true
    tail -n 40 "$work/log" >&2
    echo "fuzz: $target failed; inputs kept in $build/findings/$target:" >&2
    ls "$build/findings/$target" >&2
    failed=1
  else
    grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$work/log" | sed "s/^/fuzz: $target: /"
  fi
done
exit "$failed"
