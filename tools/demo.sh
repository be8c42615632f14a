#!/usr/bin/env bash
# Shows both plug-ins at work in our own host, modhost (native build): each
# one's description, then a short run where "Mode" ON turns "Out" on,
# "Invert" flips it, and a change of "Out" is carried back to "Mode".
set -euo pipefail
cd "$(dirname "$0")/.."
modhost=build/native/bin/modhost
plugins=build/native/plugins

show() {
  echo "\$ modhost $*"
  "$modhost" "$@"
  echo
}

show describe "$plugins/Tarvolane.so"
show run "$plugins/Tarvolane.so" --set Mode=ON --set Invert=1 --set Out=1
show describe "$plugins/Morvessa.so"
show run "$plugins/Morvessa.so" --set Mode=1 --set Invert=1 --set Out=ON
