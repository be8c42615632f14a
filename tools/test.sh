#!/usr/bin/env bash
# Runs every test of every preset: installs what is missing, checks the
# formatting, builds all presets, then runs the native and 32-bit suites, the DLL header checks, the
# suite under AddressSanitizer and UndefinedBehaviorSanitizer (native-asan)
# and under ThreadSanitizer (native-tsan), and finally a brief run of every
# fuzzer (tools/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/bootstrap.sh
echo "== format"
bash tools/check-format.sh
bash tools/build-presets.sh native linux-i386 win32 native-asan native-tsan
for preset in native linux-i386 win32 native-asan native-tsan; do
  echo "== test $preset"
  ctest --preset "$preset" -j "$(nproc)"
done
bash tools/fuzz.sh
