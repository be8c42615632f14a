#!/usr/bin/env bash
# Installs, with apt, whatever the three builds and their tests need and is
# missing. Idempotent: when everything is present it prints nothing and
# returns at once. Needs root (or sudo) only when something must be installed.
set -euo pipefail

# Debian package -> a file whose presence shows the package is usable.
declare -A probes=(
  [cmake]=/usr/bin/cmake
  [ninja-build]=/usr/bin/ninja
  [g++]=/usr/bin/g++
  [g++-multilib]=/usr/lib/gcc/x86_64-linux-gnu/12/32/libstdc++.so
  [g++-mingw-w64-i686]=/usr/bin/i686-w64-mingw32-g++
  [binutils-mingw-w64-i686]=/usr/bin/i686-w64-mingw32-objdump
  [qemu-user]=/usr/bin/qemu-i386
  [googletest]=/usr/src/googletest/CMakeLists.txt
  [libgtest-dev]=/usr/include/gtest/gtest.h
  [libgmock-dev]=/usr/include/gmock/gmock.h
  [libbenchmark-dev]=/usr/include/benchmark/benchmark.h
  [clang]=/usr/bin/clang++
  [libclang-rt-14-dev]=/usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a
  [libtsan2]=/usr/lib/x86_64-linux-gnu/libtsan.so.2
  [libasan8]=/usr/lib/x86_64-linux-gnu/libasan.so.8
  [valgrind]=/usr/bin/valgrind
  [clang-format]=/usr/bin/clang-format
  [python3]=/usr/bin/python3
)

missing=()
for package in "${!probes[@]}"; do
  [[ -e "${probes[$package]}" ]] || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

echo "bootstrap: installing ${missing[*]}"
sudo_cmd=()
if ((EUID != 0)); then
  if command -v sudo >/dev/null; then
    sudo_cmd=(sudo)
  else
    echo "bootstrap: cannot install ${missing[*]}: not root and no sudo" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo_cmd[@]}" apt-get update -qq >/tmp/bootstrap-apt.log 2>&1 ||
  ! "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" \
    >>/tmp/bootstrap-apt.log 2>&1; then
  echo "bootstrap: apt could not install ${missing[*]}; see /tmp/bootstrap-apt.log:" >&2
  tail -n 20 /tmp/bootstrap-apt.log >&2
  exit 1
fi
for package in "${missing[@]}"; do
  if [[ ! -e "${probes[$package]}" ]]; then
    echo "bootstrap: $package installed but ${probes[$package]} is missing" >&2
    exit 1
  fi
done
echo "bootstrap: done"
