#!/usr/bin/env bash
# Installs what is missing and builds everything that exists so far.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build"
echo "The tray application itself is not built yet; this built the libraries and tests."
