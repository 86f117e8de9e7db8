#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up to the first painted main window under Xvfb, timed from outside:
# process start, dynamic loading, application, window, first paint. Each run
# also prints what the program measured from its application's creation.
#   bench/startup_time.sh build-rel/bench/bench_qt_startup [runs]
set -eu
program=$(realpath "${1:?usage: startup_time.sh path/to/bench_qt_startup [runs]}")
runs=${2:-5}
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -eu -c '
program=$1
runs=$2
# One run first, so that the libraries are in the page cache for all.
GRIMORA_BENCH_STARTUP_ONCE=1 QT_QPA_PLATFORM=xcb "$program" >/dev/null
totals=""
i=0
while [ "$i" -lt "$runs" ]; do
    start=$(date +%s%N)
    inside=$(GRIMORA_BENCH_STARTUP_ONCE=1 QT_QPA_PLATFORM=xcb "$program")
    end=$(date +%s%N)
    total=$(( (end - start) / 1000000 ))
    echo "run $i: ${total} ms from process start, ${inside} ms from the application"
    totals="$totals $total"
    i=$((i + 1))
done
median=$(printf "%s\n" $totals | sort -n | awk "{ v[NR] = \$1 } END { print v[int((NR + 1) / 2)] }")
echo "median from process start: ${median} ms"
' startup_time "$program" "$runs"
