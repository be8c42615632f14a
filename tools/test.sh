#!/usr/bin/env bash
# Runs every test of every preset: installs what is missing, builds all
# presets, then runs the native and 32-bit suites and the DLL header checks,
# and finally the sanitized tests and a brief run of every fuzzer
# (tools/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/bootstrap.sh
for preset in native linux-i386 win32; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
for preset in native linux-i386 win32; do
  echo "== test $preset"
  ctest --preset "$preset" -j "$(nproc)"
done
bash tools/fuzz.sh
