#pragma once
// Old binary documents made in the tests: compound files written by the
// platform's structured storage, with drawing records built byte by byte.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dovrel::test {

using Streams = std::vector<std::pair<std::wstring, std::string>>;

// A compound file holding the streams, in the root storage or, named
// "storage/inner/name", in storages inside it.
std::string MakeCompoundFile(const Streams& streams);
// `file` with the root of the compound file `embedded` copied into the
// storage at storagePath ("ObjectPool/_1"), as Office embeds an object.
std::string EmbedCompoundFile(const std::string& file, const std::wstring& storagePath, const std::string& embedded);
// The streams of a compound file's root storage (storages inside it are
// left out).
Streams ReadCompoundStreams(const std::string& file);

// ---- Drawing records -------------------------------------------------------

std::string ArtRecord(std::uint16_t version, std::uint16_t instance, std::uint16_t type, const std::string& body);
// 16 bytes made from a seed: a BLIP's unique id.
std::string Uid(char seed);
// A PNG, JPEG, TIFF or DIB BLIP: ids, tag byte, data.
std::string BitmapBlip(std::uint16_t type, std::uint16_t instance, const std::string& uid, const std::string& data);

struct MetafileOptions {
    bool deflate = true;
    std::int32_t bounds[4] = {0, 0, 1000, 750};  // left, top, right, bottom
    std::int32_t widthEmu = 914400;              // one inch wide
    std::int64_t statedSize = -1;                // -1: the metafile's real size
};
std::string MetafileBlip(std::uint16_t type, std::uint16_t instance, const std::string& uid,
                         const std::string& metafile, const MetafileOptions& options = {});

// A BLIP store entry with the BLIP inside it, or (blip empty) naming
// `size` bytes at `delayOffset` of the delay stream.
std::string StoreEntry(const std::string& uid, const std::string& blip, std::uint32_t size = 0,
                       std::uint32_t delayOffset = 0);
// A drawing group container holding a BLIP store with the entries.
std::string DrawingGroup(const std::vector<std::string>& entries);

// ---- Documents -------------------------------------------------------------

// A presentation's streams: the BLIPs one after another in Pictures.
Streams PresentationStreams(const std::vector<std::string>& blips);
// An embedded object of a presentation's document stream (ExOleObjStg):
// the object's compound file, deflated after its size.
std::string PresentationObjectRecord(const std::string& compoundFile);
// A workbook's stream: the drawing group record split into pieces of
// `piece` bytes, each further piece in a CONTINUE record.
Streams WorkbookStreams(const std::string& drawingGroup, std::size_t piece = 8224);
// A workbook of `pictures` PNG pictures of `pictureSize` bytes each, all in
// its drawing group, written at `path` through structured storage piece by
// piece (never whole in memory, however large). Picture n's bytes are
// PictureByte(n, 0), PictureByte(n, 1), ...
void WriteLargeWorkbook(const std::string& path, int pictures, std::size_t pictureSize);
char PictureByte(int picture, std::size_t at);

// A word-processing document: floating pictures as store entries whose
// BLIPs lie in WordDocument, inline pictures as descriptors in Data that
// character properties point at (each descriptor holds one entry with its
// BLIP inside).
Streams WordStreams(const std::vector<std::string>& floatingBlips, const std::vector<std::string>& inlineBlips);

}  // namespace dovrel::test
