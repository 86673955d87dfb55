"""embed-parts.py PRESENTATION OUT NAME=FILE...: copies a .pptx, adding
each FILE as ppt/embeddings/NAME with what Office writes beside an
embedded object: its content type, a relationship of the first slide and
an object frame on that slide showing it."""
import re
import sys
import zipfile

KINDS = {
    "xlsx": ("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet", "Excel.Sheet.12"),
    "docx": ("application/vnd.openxmlformats-officedocument.wordprocessingml.document", "Word.Document.12"),
}
PACKAGE = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/package"


def frame(number, rel, prog):
    return ('<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id="%d" name="Object %d"/><p:cNvGraphicFramePr/>'
            '<p:nvPr/></p:nvGraphicFramePr><p:xfrm><a:off x="%d" y="3000000"/><a:ext cx="2000000" cy="1500000"/>'
            '</p:xfrm><a:graphic><a:graphicData uri="http://schemas.openxmlformats.org/presentationml/2006/ole">'
            '<p:oleObj name="Object %d" r:id="%s" progId="%s"><p:embed/></p:oleObj></a:graphicData></a:graphic>'
            '</p:graphicFrame>' % (900 + number, number, 500000 + number * 2500000, number, rel, prog))


source, target, parts = sys.argv[1], sys.argv[2], [p.split("=", 1) for p in sys.argv[3:]]
with zipfile.ZipFile(source) as deck:
    entries = [(info, deck.read(info.filename)) for info in deck.infolist()]
out = []
for info, data in entries:
    text = data.decode("utf-8") if info.filename.endswith((".xml", ".rels")) else None
    if info.filename == "[Content_Types].xml":
        defaults = "".join('<Default Extension="%s" ContentType="%s"/>' % (ext, KINDS[ext][0])
                           for ext in sorted({name.rsplit(".", 1)[1] for name, _ in parts}))
        text = text.replace("<Default ", defaults + "<Default ", 1)
    elif info.filename == "ppt/slides/_rels/slide1.xml.rels":
        rels = "".join('<Relationship Id="rIdEmbed%d" Type="%s" Target="../embeddings/%s"/>' % (n, PACKAGE, name)
                       for n, (name, _) in enumerate(parts, 1))
        text = text.replace("</Relationships>", rels + "</Relationships>")
    elif info.filename == "ppt/slides/slide1.xml":
        frames = "".join(frame(n, "rIdEmbed%d" % n, KINDS[name.rsplit(".", 1)[1]][1])
                         for n, (name, _) in enumerate(parts, 1))
        text = re.sub(r"</p:spTree>", frames + "</p:spTree>", text, count=1)
    out.append((info.filename, text.encode("utf-8") if text is not None else data))
for name, path in parts:
    with open(path, "rb") as f:
        out.append(("ppt/embeddings/" + name, f.read()))
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as deck:
    for name, data in out:
        info = zipfile.ZipInfo(name, date_time=(2026, 12, 8, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        deck.writestr(info, data)
