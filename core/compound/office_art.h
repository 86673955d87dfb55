#pragma once
// The drawing records that old presentations, documents and workbooks
// share: record headers, the BLIP store's entries (FBSE) and the BLIP
// records (0xF01A to 0xF02A) that hold the pictures, and the turning of one
// BLIP into the bytes of a file a viewer opens. Every length is checked
// against the bytes really there; nothing here reads files.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dovrel {

constexpr std::size_t kRecordHeaderSize = 8;

struct RecordHeader {
    std::uint16_t version = 0;  // 0xF marks a container
    std::uint16_t instance = 0;
    std::uint16_t type = 0;
    std::uint32_t length = 0;  // of the body that follows the header
};

// The header in the first eight bytes of `eight` (which must hold them).
RecordHeader ParseRecordHeader(std::string_view eight);
// The record at `offset`, only when its header and whole body lie inside
// `bytes`.
std::optional<RecordHeader> RecordAt(std::string_view bytes, std::size_t offset);
bool IsBlipType(std::uint16_t type);

struct Picture {
    std::string uid;        // the BLIP's first unique id: equal ids, one picture
    const char* extension;  // "png", "jpeg", "emf", "wmf", "pict", "bmp", "tiff"
    std::string bytes;
};

// Metafiles are stored deflated; inflating never goes past the size their
// header states, nor past this.
constexpr std::uint32_t kMetafileLimit = 256u << 20;

// in: one BLIP record, header included. Nothing when it is damaged or of a
// kind no viewer opens.
std::optional<Picture> PictureFromBlip(std::string_view record);

// Fetches a BLIP kept outside the store: `size` bytes at `offset` of the
// document's delay stream, or nothing.
using DelayRead = std::function<std::optional<std::string>(std::uint32_t offset, std::uint32_t size)>;
// Answers false to end the walk (a stop was asked for).
using BlipVisitor = std::function<bool(std::string_view blip)>;

// Each BLIP of a sequence of records that holds BLIP store entries (FBSE,
// 0xF007), in order: the BLIP embedded in the entry, or else the one the
// entry's delay offset names (only when `delay` is given). A picture that
// cannot be read where the document says (a record running past its
// container, a delay read that fails) is visited as the bytes there are,
// possibly none, which PictureFromBlip refuses; a record that does not fit
// ends the walk after that. false when the visitor ended the walk.
bool ForEachEntryBlip(std::string_view records, const DelayRead& delay, const BlipVisitor& visit);
// The same for the BLIP store (0xF001) of a drawing group container
// (0xF000) at the start of `drawingGroup`.
bool ForEachStoreBlip(std::string_view drawingGroup, const DelayRead& delay, const BlipVisitor& visit);

}  // namespace dovrel
