#!/bin/sh
# Builds the loader's fuzz target with clang, libFuzzer, ASan and UBSan and
# runs it over the seed corpus for the given seconds (default 60). Exits
# non-zero on any finding.
set -eu
seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BSA_FUZZ_BUILD:-$root/build-fuzz}

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DBSA_FUZZ=ON -DBSA_SANITIZE=address,undefined -DBSA_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_load

# New inputs go to a scratch folder; the committed seeds stay as they are.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus"
mkdir -p "$build/findings"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  "$build/fuzz/fuzz_load" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
  -max_len=8192 -print_final_stats=1 -artifact_prefix="$build/findings/" "$work/corpus" "$here/corpus"
