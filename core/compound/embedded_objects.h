#pragma once
// Documents embedded in old binary documents and in OLE objects, written out
// as files of their own so that each is read like any document: the object
// storages in a word-processing document's ObjectPool and a workbook's MBD*
// storages (copied into compound files of their own), a presentation's
// ExOleObjStg records (inflated: each holds a compound file), and the
// package an OLE object wraps in its Package stream.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/fs/document_file.h"
#include "core/text/text.h"

namespace dovrel {

// Objects of one document past this are passed over.
constexpr std::size_t kEmbeddedObjectLimit = 1000;
// An ExOleObjStg record is inflated into no more than this.
constexpr std::uint32_t kEmbeddedObjectSizeLimit = 256u << 20;

struct EmbeddedObject {
    Text name;  // the storage's name ("_1234567890", "MBD0001A2B3") or "object<n>", safe as a file name
    Text path;  // the file written
};

struct EmbeddedObjects {
    // The compound file is an OLE object around a package (an Office Open
    // XML document): the package's file. Nothing else is then looked at.
    std::optional<Text> package;
    std::vector<EmbeddedObject> objects;  // in the document's order
    bool stopped = false;
};

// Writes what the open compound file embeds into `folder` (made
// when needed): only the package of an OLE object unless `withObjects`.
// `goOn` is asked before each object; false stops. An object that cannot be
// read or written is passed over.
EmbeddedObjects WriteEmbeddedObjects(const DocumentFile& document, const Text& folder, bool withObjects,
                                     const std::function<bool()>& goOn);

}  // namespace dovrel
