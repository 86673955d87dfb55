#pragma once
// Office Open XML packages made in the tests: the parts a real document
// has ([Content_Types].xml, _rels/.rels, the main part) plus chosen media.

#include <map>
#include <string>

namespace dovrel::test {

enum class OfficeKind { Presentation, WordDocument, Workbook };

// "ppt", "word" or "xl": the package folder that holds "media".
std::string PackageFolderOf(OfficeKind kind);

// The content type of the kind's main part in [Content_Types].xml.
std::string MainContentType(OfficeKind kind);
// A [Content_Types].xml naming the main part's type (none when empty).
std::string ContentTypes(const std::string& mainPart, const std::string& mainType);

// media: file name inside the media folder -> bytes. Pictures are stored
// deflated, names ending in ".mp4" stored, as Office does.
// parts: further parts by their full name ("ppt/embeddings/a.xlsx"), deflated.
// namesItsKind: [Content_Types].xml names the main part's type; without it,
// only the document's name can tell the kind.
std::string MakeOfficePackage(OfficeKind kind, const std::map<std::string, std::string>& media,
                              const std::map<std::string, std::string>& parts = {}, bool namesItsKind = true);

// An OpenDocument package: the mimetype entry, the usual parts and
// `entries` (full entry name -> bytes; those under Media/ stored, the
// others deflated, as LibreOffice does).
std::string MakeOpenDocumentPackage(const std::string& mimetype, const std::map<std::string, std::string>& entries);

// Recognisable, incompressible-ish bytes for a fake picture or video.
std::string MediaBytes(const std::string& seed, std::size_t size);

// The first bytes of an old binary (compound file) document.
std::string CompoundFileBytes();

}  // namespace dovrel::test
