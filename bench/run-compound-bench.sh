#!/bin/sh
# Times the job on an old binary presentation of about 50 MB under Wine:
# the pictures read through structured storage, each written to the media
# folder, and the folder moved to its result name.
# Usage: bench/run-compound-bench.sh [repeat count, default 3] [megabytes, default 50] [presentation|workbook]
# A workbook keeps its pictures (10 MB each) in its drawing group, split
# over continuation records.
# The document and the result folders live in <build>/bench-data.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")
repeat=${1:-3}
megabytes=${2:-50}
kind=${3:-presentation}

DOVREL_BUILD_DIR=$build "$root/scripts/build.sh"

data="$build/bench-data"
mkdir -p "$data"
. "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
trap 'exit 130' INT TERM
wine_session_start "$build" own

if [ "$kind" = workbook ]; then
    document="$data/old-workbook-${megabytes}mb.xls"
    make=workbook
else
    document="$data/old-presentation-${megabytes}mb.ppt"
    make=make
fi
if [ ! -f "$document" ]; then
    echo "Generating $document..." >&2
    wine "$build/bench/compound_bench.exe" "$make" "$(winepath -w "$document")" "$megabytes"
fi
echo "document: $(stat -c %s "$document") bytes"
i=0
while [ "$i" -lt "$repeat" ]; do
    rm -rf "$data/compound-work"
    wine "$build/bench/compound_bench.exe" run "$(winepath -w "$document")" "$(winepath -w "$data/compound-work")"
    i=$((i + 1))
done
ls "$data/compound-work/PPT_RES/"*/ | wc -l | sed 's/^/pictures in the last result folder: /'
