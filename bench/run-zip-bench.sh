#!/bin/sh
# Times ZipExtractor under Wine against Info-ZIP unzip and Python's zipfile
# on one generated package of about 200 MB, in one run on the same file.
# Usage: bench/run-zip-bench.sh [repeat count, default 3]
# The package and the extracted trees live in <build>/bench-data.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")
repeat=${1:-3}

if ! command -v unzip >/dev/null 2>&1; then
    apt-get install -y unzip >/dev/null
fi
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
python3 "$root/bench/zip_bench.py" run "$package" "$data" "$build/bench/zip_bench.exe" --repeat "$repeat"
