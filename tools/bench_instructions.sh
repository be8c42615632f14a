#!/usr/bin/env bash
# Instructions per pin-changed notice, counted by callgrind (repeatable,
# whatever the machine's load), against the same four host calls made
# directly. Needs the native build (bash tools/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
program=build/native/bench/notice_instructions
rounds=$("$program" | awk '/rounds/ {print $2}')
count() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null --toggle-collect="$1" "$program" 2>&1 |
    awk '/Collected :/ {print $4}'
}
notice=$(count runNotices)
direct=$(count runDirect)
awk -v n="$notice" -v d="$direct" -v r="$rounds" 'BEGIN {
  printf "instructions per notice: %.1f; four direct host calls: %.1f; ratio %.3f\n", n / r, d / r, n / d
}'
