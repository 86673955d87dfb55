#!/bin/sh
# Times the rendering of metafiles under Wine on a presentation with 50 EMF
# pictures (bench/make_metafile_deck.py): the whole job as the extract
# button runs it (job_bench: reading, rendering, the move), then the
# rendering alone, metafile by metafile (metafile_bench), on the result.
# Usage: bench/run-metafile-bench.sh [rounds, default 5]
# The document and the result folders live in <build>/bench-data.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")
rounds=${1:-5}

DOVREL_BUILD_DIR=$build "$root/scripts/build.sh"

data="$build/bench-data"
mkdir -p "$data"
document="$data/deck-50-emf.pptx"
[ -f "$document" ] || python3 "$root/bench/make_metafile_deck.py" "$document" 50
echo "document: $(stat -c %s "$document") bytes"

. "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
trap 'exit 130' INT TERM
wine_session_start "$build" own

i=0
while [ "$i" -lt "$rounds" ]; do
    rm -rf "$data/metafile-work"
    mkdir -p "$data/metafile-work"
    printf 'job:       '
    wine "$build/bench/job_bench.exe" "$(winepath -w "$document")" "$(winepath -w "$data/metafile-work")" || true
    result=$(ls -d "$data/metafile-work/PPT_RES/"*/ | grep -v /TMP/ | head -n 1)
    printf 'rendering: '
    wine "$build/bench/metafile_bench.exe" "$(winepath -w "$result")" || true
    i=$((i + 1))
done
echo "pictures in the last result folder: $(ls "$result" | grep -c '\.png$') PNG beside $(ls "$result" | grep -c '\.emf$') EMF"
