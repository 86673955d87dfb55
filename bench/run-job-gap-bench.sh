#!/bin/sh
# The longest gap between two message pumps while the job extracts the
# benchmark's package (bench/zip_bench.py make), under Wine.
# Usage: bench/run-job-gap-bench.sh [repeat count, default 3]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")
repeat=${1:-3}

DOVREL_BUILD_DIR=$build "$root/scripts/build.sh"
data="$build/bench-data"
mkdir -p "$data"
package="$data/package.pptx"
if [ ! -f "$package" ]; then
    echo "Generating $package..." >&2
    python3 "$root/bench/zip_bench.py" make "$package"
fi

. "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
trap 'exit 130' INT TERM
wine_session_start "$build" own
i=0
while [ $i -lt "$repeat" ]; do
    wine "$build/bench/job_gap_bench.exe" "Z:$(echo "$package" | tr / '\\')" "Z:$(echo "$data" | tr / '\\')"
    i=$((i + 1))
done
