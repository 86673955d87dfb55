#!/bin/sh
# Times a folder of 200 documents chosen as a folder against the same 200
# chosen as files, under Wine, interleaved (bench/folder_bench.py).
# Usage: bench/run-folder-bench.sh [rounds, default 5] [documents, default 200]
# The documents and outputs live in <build>/bench-data/folder.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")
rounds=${1:-5}
count=${2:-200}

command -v /usr/bin/time >/dev/null 2>&1 || apt-get install -y time >/dev/null
DOVREL_BUILD_DIR=$build "$root/scripts/build.sh"

. "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
trap 'exit 130' INT TERM
wine_session_start "$build" own
python3 "$root/bench/folder_bench.py" run "$build/bench-data/folder" "$build/bench/job_bench.exe" \
    --rounds "$rounds" --count "$count"
