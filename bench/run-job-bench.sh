#!/bin/sh
# Times the extraction job under Wine against 7-Zip and unzip doing the
# user's task on the same documents, interleaved (bench/job_bench.py).
# Usage: bench/run-job-bench.sh [rounds, default 5] [rounds of the 6,000
# pictures, default 3]
# The documents and outputs live in <build>/bench-data.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")
rounds=${1:-5}
picture_rounds=${2:-3}

for tool in 7zz:7zip unzip:unzip /usr/bin/time:time; do
    command -v "${tool%%:*}" >/dev/null 2>&1 || apt-get install -y "${tool##*:}" >/dev/null
done
DOVREL_BUILD_DIR=$build "$root/scripts/build.sh"

. "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
trap 'exit 130' INT TERM
wine_session_start "$build" own
python3 "$root/bench/job_bench.py" run "$build/bench-data" "$build/bench/job_bench.exe" "$build/bench/window_bench.exe" \
    --rounds "$rounds" --picture-rounds "$picture_rounds"
