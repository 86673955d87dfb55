#pragma once
// What a metafile's bytes say, read without Windows: its kind, its frame,
// the records GDI may be given, and whether it only wraps one bitmap.
// Every offset, length and count is checked against the bytes there are.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dovrel {

enum class MetafileFormat {
    Enhanced,  // EMF (with or without EMF+ records)
    Windows,   // WMF, the 16-bit metafile
};

// A frame in hundredths of a millimetre, as an EMF header keeps it.
struct MetafileFrame {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// The one bitmap a metafile draws and nothing else.
struct WrappedBitmap {
    enum class Kind {
        Dib,   // info: the BITMAPINFO (header, masks, colours); bits: its rows
        Png,   // bits: the PNG file an EMF+ image record holds
        Jpeg,  // bits: the JPEG file an EMF+ image record holds
    };
    Kind kind = Kind::Dib;
    std::string_view info;
    std::string bits;
    std::int32_t width = 0;   // Dib: in pixels
    std::int32_t height = 0;  // Dib: in pixels, always positive
};

struct MetafileLayout {
    MetafileFormat format = MetafileFormat::Enhanced;
    // What GDI plays: an EMF to its stated end, a WMF without its
    // placeable header.
    std::string_view records;
    MetafileFrame frame;  // never empty
    std::optional<WrappedBitmap> bitmap;
};

// Nothing for bytes that are no metafile, a damaged one (a record that runs
// past the end, a header that lies) or one whose frame is empty. A WMF
// without a placeable header takes its frame from its window extent, in
// twips (1,440 an inch), the placeable header's most common unit.
std::optional<MetafileLayout> ReadMetafileLayout(std::string_view bytes);

// .emz and .wmz: a gzip member holding the metafile. Nothing when it is
// damaged or inflates past limit bytes; bytes without the gzip signature are
// taken as the metafile itself.
std::optional<std::string> UnpackMetafile(std::string_view bytes, std::size_t limit);

struct PixelSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The frame at dpi, its long side at most maxSide pixels, the aspect ratio
// kept; nothing when a side would be under one pixel.
std::optional<PixelSize> RenderSizeOf(const MetafileFrame& frame, int dpi, std::int32_t maxSide);

}  // namespace dovrel
