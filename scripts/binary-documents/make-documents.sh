#!/bin/sh
# Makes the documents from real writers that the tests read: a presentation
# (.ppt), a word-processing document (.doc) and a workbook (.xls), each
# holding a PNG, a JPEG and a Windows metafile, written by LibreOffice from
# the pictures this script draws, and the same three and a drawing as
# OpenDocument packages (.odp, .odt, .ods, .odg); and a workbook written by
# Perl's Spreadsheet::WriteExcel with a PNG and a JPEG. Run once by hand; the
# results are committed beside it, so the build and the tests never need
# LibreOffice. Needs: imagemagick, python3, libreoffice-impress,
# libreoffice-writer, libreoffice-calc, libspreadsheet-writeexcel-perl.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The pictures: no time stamps, so the same bytes every time.
convert -size 64x48 gradient:red-blue -define png:exclude-chunks=date,time,tEXt,zTXt picture.png
convert -size 80x60 gradient:yellow-green -quality 85 -strip picture.jpg
python3 "$here/make-wmf.py" drawing.wmf
cp picture.png picture.jpg drawing.wmf "$here/"

python3 "$here/make-flat-documents.py" picture.png picture.jpg drawing.wmf
export HOME="$work"  # LibreOffice keeps its profile there
soffice --headless --convert-to ppt deck.fodp >/dev/null
soffice --headless --convert-to doc letter.fodt >/dev/null
soffice --headless --convert-to xls book.fods >/dev/null
cp deck.ppt letter.doc book.xls "$here/"
soffice --headless --convert-to odp deck.fodp >/dev/null
soffice --headless --convert-to odt letter.fodt >/dev/null
soffice --headless --convert-to ods book.fods >/dev/null
soffice --headless --convert-to odg drawing.fodg >/dev/null
cp deck.odp letter.odt book.ods drawing.odg "$here/"

perl "$here/make-workbook.pl" picture.png picture.jpg "$here/writeexcel.xls"
ls -l "$here"
