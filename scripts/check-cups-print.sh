#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints once through a real print server: starts CUPS on this machine (as
# root), adds a PDF queue, prints the result-page print path onto it through
# the app test program, and checks the PDF that the queue writes. A check for
# a person to run, not part of the CI: it needs root, a print server of its
# own and a few seconds of waiting for the queue.
#
#   scripts/check-cups-print.sh [build folder]   (default: build/test)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-"$here/../build/test"}
tests="$build/tests/grimora_app_tests"
queue=GrimoraPDF

[ "$(id -u)" -eq 0 ] || { echo "Run as root: it starts the print server." >&2; exit 2; }
[ -x "$tests" ] || { echo "No test program at $tests: build grimora_app_tests first." >&2; exit 2; }
"$here/install-deps.sh" cups printer-driver-cups-pdf poppler-utils

started=
cleanup() {
    lpadmin -x "$queue" 2>/dev/null || true
    if [ -n "$started" ]; then
        kill "$started" 2>/dev/null || true
        wait "$started" 2>/dev/null || true
    fi
}
trap cleanup EXIT

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    /usr/sbin/cupsd -f &
    started=$!
    for _ in $(seq 50); do
        lpstat -r 2>/dev/null | grep -q "is running" && break
        sleep 0.2
    done
fi
lpstat -r | grep -q "is running" || { echo "The print server did not start." >&2; exit 1; }

lpadmin -p "$queue" -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
out=$(grep -E '^Out ' /etc/cups/cups-pdf.conf | awk '{print $2}')
out=${out//'${HOME}'/$HOME}
mkdir -p "$out"
marker=$(mktemp)

echo "Printing on $queue ..."
GRIMORA_PRINT_QUEUE=$queue QT_QPA_PLATFORM=offscreen \
    "$tests" --gtest_filter='PrintQueue.PrintsOnTheNamedQueue'

pdf=
for _ in $(seq 150); do
    pdf=$(find "$out" /var/spool/cups-pdf -name '*.pdf' -newer "$marker" 2>/dev/null | head -n 1 || true)
    [ -n "$pdf" ] && [ -z "$(lpstat -o "$queue" 2>/dev/null)" ] && break
    sleep 0.2
done
rm -f "$marker"
[ -n "$pdf" ] || { echo "The queue wrote no PDF; see /var/log/cups/error_log." >&2; exit 1; }
echo "The queue wrote $pdf"

GRIMORA_PRINTED_PDF=$pdf QT_QPA_PLATFORM=offscreen \
    "$tests" --gtest_filter='PrintQueue.TheQueuesPdfShowsThePictureAcrossThePage'
echo "Printing through CUPS works."
