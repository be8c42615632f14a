#!/usr/bin/env bash
# Builds everything: installs what is missing, then configures and builds the
# three presets (native, linux-i386, win32), and shows both plug-ins at work
# in modhost (tools/demo.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/bootstrap.sh
for preset in native linux-i386 win32; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
echo "== demo"
bash tools/demo.sh
