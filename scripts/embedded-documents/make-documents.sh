#!/bin/sh
# Makes deck-embeds.pptx, the presentation the embedded-document tests
# read: a presentation, a workbook and a word-processing document, each
# written by LibreOffice from flat OpenDocument files holding pictures of
# their own (a PNG, a JPEG and a Windows metafile each), the workbook and
# the document then placed in the presentation's ppt/embeddings as Office
# places embedded objects (embed-parts.py). Run once by hand; the result is
# committed beside it, so the build and the tests never need LibreOffice.
# Needs: imagemagick, python3, libreoffice-impress, libreoffice-writer,
# libreoffice-calc.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
flat="$here/../binary-documents"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work"  # LibreOffice keeps its profile there

# Pictures without time stamps, so the same bytes every time; each
# document's own colours, so each picture tells where it came from.
make() {  # kind, colours of the PNG, colours of the JPEG
    mkdir "$work/$1"
    cd "$work/$1"
    convert -size 64x48 "gradient:$2" -define png:exclude-chunks=date,time,tEXt,zTXt picture.png
    convert -size 80x60 "gradient:$3" -quality 85 -strip picture.jpg
    python3 "$flat/make-wmf.py" drawing.wmf
    python3 "$flat/make-flat-documents.py" picture.png picture.jpg drawing.wmf
}
make deck red-blue yellow-green
soffice --headless --convert-to pptx deck.fodp >/dev/null
make book white-black cyan-magenta
soffice --headless --convert-to xlsx book.fods >/dev/null
make letter orange-purple gray-navy
soffice --headless --convert-to docx letter.fodt >/dev/null

python3 "$here/embed-parts.py" "$work/deck/deck.pptx" "$here/deck-embeds.pptx" \
    "Microsoft_Excel_Worksheet1.xlsx=$work/book/book.xlsx" \
    "Microsoft_Word_Document2.docx=$work/letter/letter.docx"
for kind in deck book letter; do cp "$work/$kind/picture.png" "$here/$kind.png"; done
ls -l "$here"
