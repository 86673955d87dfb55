#!/bin/sh
# Builds the parsers of hostile bytes natively with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer, replays each fuzz
# target's committed seeds, then fuzzes each target for a bounded time
# ($DOVREL_FUZZ_SECONDS, 60 by default in CI, 10 otherwise). Any finding
# fails the run and leaves its input in the native build folder.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")
native="$build/native"
if [ "${CI:-}" = true ]; then seconds=${DOVREL_FUZZ_SECONDS:-60}; else seconds=${DOVREL_FUZZ_SECONDS:-10}; fi

"$root/scripts/setup-debian.sh"
minizip=$("$root/scripts/fetch-minizip.sh" "$build")
CC=clang CXX=clang++ cmake -S "$root/tests/fuzz" -B "$native" -DMINIZIP_SOURCE_DIR="$minizip" >/dev/null
cmake --build "$native" -j"$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "$native"/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    seeds="$root/tests/fuzz/corpus/${name#fuzz_}"
    work="$native/corpus/${name#fuzz_}"
    mkdir -p "$work" "$native/findings"
    echo "fuzz: $name, seeds then ${seconds} s" >&2
    "$target" -runs=0 "$seeds" 2>"$native/$name.seeds.log" || { cat "$native/$name.seeds.log" >&2; exit 1; }
    "$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=1024 \
        -artifact_prefix="$native/findings/$name-" -print_final_stats=1 "$work" "$seeds" \
        2>"$native/$name.log" || { tail -60 "$native/$name.log" >&2; exit 1; }
    grep -h 'stat::number_of_executed_units' "$native/$name.log" | sed "s/^/  $name /" >&2 || true
done
echo "fuzz: every target clean"
