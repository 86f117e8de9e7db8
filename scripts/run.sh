#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what Grimora needs, builds it and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DGRIMORA_BUILD_TESTS=OFF -DGRIMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build/release"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to show Grimora on; try the headless tool: $root/build/release/src/grimora-warp blank:320x200 - out.bmp <<< 'press 160 100'"
  exit 0
fi
exec "$root/build/release/src/grimora" "$@"
