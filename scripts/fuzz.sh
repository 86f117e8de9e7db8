#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds every libFuzzer target of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer), replays each target's committed corpus and then
# fuzzes each for a while. Fails on any crash, leak, timeout or memory blow-up;
# what libFuzzer found is left in build/fuzz/artifacts/<target>/. An input
# that takes more than 2 s is a finding: the targets decode pictures of up to
# 4 megapixels, which plain files of any format decode in a few tenths of a
# second even instrumented; the margin is for a machine shared with builds.
# A single allocation over 512 MB is a finding too: no picture the targets
# decode needs a tenth of that.
#   FUZZ_SECONDS   seconds of fuzzing per target (default 30; 0 only replays)
#   FUZZ_SEED      libFuzzer's seed (default 1: runs explore much the same
#                  inputs, so that a run's result belongs to the code it ran
#                  on; 0 takes a new seed each run, to look for new faults)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build/fuzz"
seconds="${FUZZ_SECONDS:-30}"
seed="${FUZZ_SEED:-1}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DGRIMORA_BUILD_FUZZ=ON \
  -DGRIMORA_BUILD_APP=OFF -DGRIMORA_BUILD_TESTS=OFF -DGRIMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
options=(-timeout=2 -rss_limit_mb=2048 -malloc_limit_mb=512 -max_len=65536 -print_final_stats=0)
status=0
for source in "$root"/fuzz/*.cpp; do
  target=$(basename "$source" .cpp)
  program="$build/fuzz/$target"
  corpus="$root/fuzz/corpus/$target"
  artifacts="$build/artifacts/$target"
  work="$build/corpus/$target"  # what fuzzing adds; the committed corpus stays as it is
  mkdir -p "$artifacts" "$work"
  seeds=()
  [ -d "$corpus" ] && seeds=("$corpus")
  echo "== $target: replaying ${seeds[*]:-no corpus}"
  if [ ${#seeds[@]} -gt 0 ] &&
     ! "$program" "${options[@]}" -artifact_prefix="$artifacts/" -runs=0 "${seeds[@]}" \
       >"$artifacts/replay.log" 2>&1; then
    echo "FAILED: $target crashed on its corpus; see $artifacts/replay.log"
    tail -n 30 "$artifacts/replay.log"
    status=1
    continue
  fi
  if [ "$seconds" -gt 0 ]; then
    echo "== $target: fuzzing for $seconds s"
    if ! "$program" "${options[@]}" -artifact_prefix="$artifacts/" -max_total_time="$seconds" \
         -seed="$seed" "$work" "${seeds[@]}" >"$artifacts/fuzz.log" 2>&1; then
      echo "FAILED: $target found a fault; see $artifacts/ and $artifacts/fuzz.log"
      tail -n 30 "$artifacts/fuzz.log"
      status=1
    fi
  fi
done
[ "$status" -eq 0 ] && echo "fuzzing: every target passed"
exit "$status"
