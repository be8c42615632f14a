#!/usr/bin/env bash
# Builds the fuzz preset (clang; everything under AddressSanitizer and
# UndefinedBehaviorSanitizer), runs the test suite under the sanitizers, then
# runs every libFuzzer target from its checked-in seed corpus.
#
#   bash tools/fuzz.sh            brief: 100000 runs per fuzzer (tools/test.sh runs this)
#   bash tools/fuzz.sh SECONDS    long: each fuzzer for SECONDS seconds, e.g. 3600
#
# Fuzzer <name>_fuzzer starts from its seeds in fuzz/corpus/<name>/. The brief
# run starts from the seeds alone each time, so its length does not grow; a
# long run also reads and adds to build/fuzz/corpus/<name>/, kept from run to
# run so long runs build on each other. A failing input lands in
# build/fuzz/artifacts/: replay it with build/fuzz/fuzz/<name>_fuzzer FILE,
# and once fixed, copy it into fuzz/corpus/<name>/ as a seed.
set -euo pipefail
cd "$(dirname "$0")/.."

if (($# == 0)); then
  limit=(-runs=100000)
  corpus=brief
elif [[ $1 =~ ^[0-9]+$ ]]; then
  limit=(-max_total_time="$1")
  corpus=corpus
else
  echo "usage: bash tools/fuzz.sh [SECONDS]" >&2
  exit 2
fi

bash tools/bootstrap.sh
echo "== build fuzz"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
echo "== test fuzz (sanitized)"
ctest --preset fuzz -j "$(nproc)"

mkdir -p build/fuzz/artifacts
for fuzzer in build/fuzz/fuzz/*_fuzzer; do
  name=$(basename "$fuzzer" _fuzzer)
  seeds=fuzz/corpus/$name
  if [[ ! -d $seeds ]]; then
    echo "fuzz: $fuzzer has no seed corpus $seeds" >&2
    exit 1
  fi
  work=build/fuzz/$corpus/$name
  log=build/fuzz/$name.log
  if [[ $corpus == brief ]]; then rm -rf "$work"; fi
  mkdir -p "$work"
  echo "== fuzz $name (${limit[*]})"
  if ! "$fuzzer" "${limit[@]}" -artifact_prefix=build/fuzz/artifacts/ "$work" "$seeds" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "fuzz: $name failed; full log in $log" >&2
    exit 1
  fi
  grep -E '^(#[0-9]+[[:space:]]+DONE|Done )' "$log"
done
