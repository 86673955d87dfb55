#pragma once
// Metafiles written byte by byte (EMF, EMF+, WMF), gzip packing, and
// pictures decoded through WIC to look at what the renderer made.

#include <cstdint>
#include <string>
#include <vector>

namespace dovrel::test {

struct EmfRect {
    std::int32_t left, top, right, bottom;
};

// An EMF: its header (bounds in device pixels, frame in hundredths of a
// millimetre, a reference device of ten pixels a millimetre), the records,
// the end-of-file record.
std::string EmfFile(EmfRect bounds, EmfRect frame, const std::vector<std::string>& records);
std::string EmfRecord(std::uint32_t type, const std::string& body);
// A brush of colour (0x00BBGGRR) selected, then a rectangle and an ellipse.
std::vector<std::string> EmfDrawing(EmfRect area, std::uint32_t colour);
// EMR_STRETCHDIBITS of a 24-bit bottom-up DIB of width x height pixels
// onto area; pixels: BGR rows, top row first, no padding.
std::string EmfStretchDiBits(EmfRect area, int width, int height, const std::string& pixels);
// An EMR_COMMENT with EMF+ records: a header, the image object (a PNG or
// JPEG file) in `pieces` continued records, a DrawImage of it, the end.
std::string EmfPlusImageComment(const std::string& file, int pieces = 1);

// A WMF on a canvas of width x height logical units (window extent), a
// filled rectangle and ellipse; with a placeable header of `perInch` units
// an inch when perInch is not 0.
std::string WmfFile(std::int16_t width, std::int16_t height, std::uint16_t perInch);

std::string Gzip(const std::string& bytes);

struct DecodedPicture {
    bool ok = false;
    int width = 0, height = 0;
    std::string pixels;  // BGR rows, top first, width * 3 bytes each
    bool Blank() const;  // every pixel one colour
};
DecodedPicture DecodePicture(const std::string& file);

}  // namespace dovrel::test
