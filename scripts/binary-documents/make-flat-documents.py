"""Writes deck.fodp, letter.fodt, book.fods and drawing.fodg: flat
OpenDocument files that hold the given pictures inline (base64), for
LibreOffice to save as .ppt, .doc and .xls, and as packaged OpenDocument. In the text document the PNG and the metafile sit in
the line (as characters), the JPEG floats (anchored to its paragraph)."""
import base64
import sys

NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
      'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
      'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
      'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
      'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
      'xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" '
      'xmlns:xlink="http://www.w3.org/1999/xlink"')


def frame(path, x, anchor=None):
    with open(path, "rb") as f:
        data = base64.b64encode(f.read()).decode()
    anchor_attr = ' text:anchor-type="%s"' % anchor if anchor else ""
    return ('<draw:frame svg:x="%dcm" svg:y="1cm" svg:width="4cm" svg:height="3cm"%s>'
            '<draw:image><office:binary-data>%s</office:binary-data></draw:image></draw:frame>'
            % (x, anchor_attr, data))


def document(mimetype, body):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:version="1.2" '
            'office:mimetype="application/vnd.oasis.opendocument.%s"><office:body>%s</office:body>'
            '</office:document>\n' % (NS, mimetype, body))


png, jpeg, wmf = sys.argv[1:4]
with open("deck.fodp", "w") as f:
    f.write(document("presentation", '<office:presentation><draw:page draw:name="one">'
                     + frame(png, 1) + frame(jpeg, 6) + frame(wmf, 11)
                     + '</draw:page></office:presentation>'))
with open("letter.fodt", "w") as f:
    f.write(document("text", '<office:text><text:p>Pictures: '
                     + frame(png, 0, "as-char") + frame(wmf, 0, "as-char") + '</text:p><text:p>'
                     + frame(jpeg, 6, "paragraph") + 'Floating.</text:p></office:text>'))
with open("book.fods", "w") as f:
    f.write(document("spreadsheet", '<office:spreadsheet><table:table table:name="Pictures">'
                     '<table:shapes>' + frame(png, 1) + frame(jpeg, 6) + frame(wmf, 11)
                     + '</table:shapes><table:table-row><table:table-cell/></table:table-row>'
                     '</table:table></office:spreadsheet>'))
with open("drawing.fodg", "w") as f:
    f.write(document("graphics", '<office:drawing><draw:page draw:name="one">'
                     + frame(png, 1) + frame(jpeg, 6) + frame(wmf, 11)
                     + '</draw:page></office:drawing>'))
