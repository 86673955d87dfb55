#!/bin/sh
# The README's before/after picture of the metafile rendering,
# docs/metafile-before-after.png: a presentation holding one EMF chart goes
# through the real job under Wine (bench/job_bench.exe); on the left the
# .emf alone, as a user had it, on the right the .emf.png Dovrel now writes
# beside it. Needs ImageMagick.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

DOVREL_BUILD_DIR=$build "$root/scripts/build.sh"

# A bar chart with axes and a legend dot, 100 x 75 mm, as Office stores a
# chart pasted from another program.
python3 - "$work/chart.pptx" "$root/bench" <<'PY'
import struct, sys, zipfile
sys.path.insert(0, sys.argv[2])
from make_metafile_deck import emf, record
records = []
def brush(colour):
    records.append(record(39, struct.pack("<IIII", 1, 0, colour, 0)))
    records.append(record(37, struct.pack("<I", 1)))
def line(x0, y0, x1, y1):
    records.append(record(27, struct.pack("<ii", x0, y0)))
    records.append(record(54, struct.pack("<ii", x1, y1)))
for i, (height, colour) in enumerate([(300, 0xC07030), (450, 0x3070C0), (380, 0x30A050),
                                      (560, 0x2090E0), (240, 0x9040A0), (500, 0x707070)]):
    brush(colour)
    records.append(record(43, struct.pack("<4i", 140 + i * 130, 680 - height, 230 + i * 130, 680)))
line(100, 60, 100, 680)
line(100, 680, 940, 680)
brush(0x3050E0)
records.append(record(42, struct.pack("<4i", 820, 60, 920, 160)))
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/'
               'package/2006/content-types"><Override PartName="/ppt/presentation.xml" ContentType="'
               'application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml"/></Types>')
    z.writestr("ppt/presentation.xml", "<p:presentation xmlns:p=\"http://schemas.openxmlformats.org/"
               "presentationml/2006/main\"/>")
    z.writestr("ppt/media/image1.emf", emf(records))
PY

. "$root/scripts/wine-session.sh"
trap 'wine_session_stop; rm -rf "$work"' EXIT
wine_session_start "$build" own
mkdir -p "$work/Documents"
wine "$build/bench/job_bench.exe" "$(winepath -w "$work/chart.pptx")" "$(winepath -w "$work/Documents")" >/dev/null
result=$(ls -d "$work/Documents/PPT_RES/"chart_*/ | head -n 1)

font=DejaVu-Sans
panel() {  # panel <output> <title> <picture or ""> <caption>
    convert -size 420x330 xc:white -stroke '#c8c8c8' -fill none -draw 'rectangle 0,0 419,329' \
        -stroke none -fill '#202020' -font "$font" -pointsize 18 -annotate +16+30 "$2" "$1"
    if [ -n "$3" ]; then
        convert "$3" -resize 380x240 "$work/thumb.png"
        convert "$1" "$work/thumb.png" -gravity center -geometry +0+5 -composite "$1"
    else
        # A file nothing can show: the blank page of an unknown type.
        convert "$1" -stroke '#909090' -fill '#f4f4f4' -draw 'polygon 170,90 232,90 256,114 256,250 170,250' \
            -fill '#dcdcdc' -draw 'polygon 232,90 232,114 256,114' "$1"
    fi
    convert "$1" -fill '#505050' -font "$font" -pointsize 15 -gravity south -annotate +0+14 "$4" "$1"
}
panel "$work/before.png" "Before" "" "image1.emf: Photos cannot open it"
panel "$work/after.png" "After" "$result/image1.emf.png" "image1.emf.png, 756 x 567, beside image1.emf"
convert "$work/before.png" "$work/after.png" +append -bordercolor white -border 8 "$root/docs/metafile-before-after.png"
echo docs/metafile-before-after.png
