#include "tests/support/metafiles.h"

#include <objbase.h>
#include <wincodec.h>
#include <windows.h>
#include <zlib.h>

#include <cstring>
#include <stdexcept>

#include "core/base/com_ptr.h"
#include "core/base/little_endian.h"

namespace dovrel::test {

namespace {

void PutRect(std::string& out, EmfRect r)
{
    for (std::int32_t v : {r.left, r.top, r.right, r.bottom}) AppendLe(out, static_cast<std::uint32_t>(v), 4);
}
void PutFloat(std::string& out, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    AppendLe(out, bits, 4);
}

std::string PlusRecord(std::uint16_t type, std::uint16_t flags, const std::string& data)
{
    std::string out;
    AppendLe(out, type, 2);
    AppendLe(out, flags, 2);
    AppendLe(out, static_cast<std::uint32_t>(12 + (data.size() + 3) / 4 * 4), 4);
    AppendLe(out, static_cast<std::uint32_t>(data.size()), 4);
    out += data;
    out.resize((out.size() + 3) / 4 * 4, '\0');
    return out;
}

std::string WmfRecord(std::uint16_t function, std::initializer_list<std::int16_t> words)
{
    std::string out;
    AppendLe(out, static_cast<std::uint32_t>(3 + words.size()), 4);
    AppendLe(out, function, 2);
    for (std::int16_t w : words) AppendLe(out, static_cast<std::uint16_t>(w), 2);
    return out;
}

}  // namespace

std::string EmfRecord(std::uint32_t type, const std::string& body)
{
    std::string out;
    AppendLe(out, type, 4);
    AppendLe(out, static_cast<std::uint32_t>(8 + (body.size() + 3) / 4 * 4), 4);
    out += body;
    out.resize((out.size() + 3) / 4 * 4, '\0');
    return out;
}

std::string EmfFile(EmfRect bounds, EmfRect frame, const std::vector<std::string>& records)
{
    std::string body;
    for (const std::string& record : records) body += record;
    std::string end;
    AppendLe(end, 0, 4);   // palette entries
    AppendLe(end, 16, 4);  // their offset
    AppendLe(end, 20, 4);  // this record's size
    body += EmfRecord(14, end);
    std::string header;
    AppendLe(header, 1, 4);
    AppendLe(header, 108, 4);
    PutRect(header, bounds);
    PutRect(header, frame);
    AppendLe(header, 0x464D4520, 4);
    AppendLe(header, 0x10000, 4);
    AppendLe(header, static_cast<std::uint32_t>(108 + body.size()), 4);
    AppendLe(header, static_cast<std::uint32_t>(records.size() + 2), 4);
    AppendLe(header, 2, 2);  // handles: the table's own and one brush
    AppendLe(header, 0, 2);
    for (int i = 0; i < 3; ++i) AppendLe(header, 0, 4);  // description, its offset, palette entries
    AppendLe(header, 1000, 4);                           // the reference device: 1000 x 1000 pixels ...
    AppendLe(header, 1000, 4);
    AppendLe(header, 100, 4);  // ... on 100 x 100 mm
    AppendLe(header, 100, 4);
    for (int i = 0; i < 3; ++i) AppendLe(header, 0, 4);  // no pixel format, no OpenGL
    AppendLe(header, 100000, 4);
    AppendLe(header, 100000, 4);
    return header + body;
}

std::vector<std::string> EmfDrawing(EmfRect area, std::uint32_t colour)
{
    std::string brush;
    AppendLe(brush, 1, 4);  // handle 1
    AppendLe(brush, 0, 4);  // BS_SOLID
    AppendLe(brush, colour, 4);
    AppendLe(brush, 0, 4);
    std::string select;
    AppendLe(select, 1, 4);
    std::string rectangle, ellipse;
    PutRect(rectangle, area);
    const std::int32_t dx = (area.right - area.left) / 4, dy = (area.bottom - area.top) / 4;
    PutRect(ellipse, {area.left + dx, area.top + dy, area.right - dx, area.bottom - dy});
    return {EmfRecord(39, brush), EmfRecord(37, select), EmfRecord(43, rectangle), EmfRecord(42, ellipse)};
}

std::string EmfStretchDiBits(EmfRect area, int width, int height, const std::string& pixels)
{
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    std::string bits;
    for (int row = height - 1; row >= 0; --row) {
        std::string line =
            pixels.substr(static_cast<std::size_t>(row) * width * 3, static_cast<std::size_t>(width) * 3);
        line.resize(stride, '\0');
        bits += line;
    }
    std::string body;
    PutRect(body, area);
    AppendLe(body, static_cast<std::uint32_t>(area.left), 4);
    AppendLe(body, static_cast<std::uint32_t>(area.top), 4);
    AppendLe(body, 0, 4);
    AppendLe(body, 0, 4);
    AppendLe(body, static_cast<std::uint32_t>(width), 4);
    AppendLe(body, static_cast<std::uint32_t>(height), 4);
    AppendLe(body, 80, 4);  // the BITMAPINFO, from the record's start
    AppendLe(body, 40, 4);
    AppendLe(body, 120, 4);  // the rows
    AppendLe(body, static_cast<std::uint32_t>(bits.size()), 4);
    AppendLe(body, 0, 4);           // DIB_RGB_COLORS
    AppendLe(body, 0x00CC0020, 4);  // SRCCOPY
    AppendLe(body, static_cast<std::uint32_t>(area.right - area.left + 1), 4);
    AppendLe(body, static_cast<std::uint32_t>(area.bottom - area.top + 1), 4);
    AppendLe(body, 40, 4);
    AppendLe(body, static_cast<std::uint32_t>(width), 4);
    AppendLe(body, static_cast<std::uint32_t>(height), 4);
    AppendLe(body, 1, 2);
    AppendLe(body, 24, 2);
    AppendLe(body, 0, 4);
    AppendLe(body, static_cast<std::uint32_t>(bits.size()), 4);
    for (int i = 0; i < 4; ++i) AppendLe(body, 0, 4);
    return EmfRecord(81, body + bits);
}

std::string EmfPlusImageComment(const std::string& file, int pieces)
{
    std::string header;
    for (std::uint32_t v : {0xDBC01002u, 0u, 96u, 96u}) AppendLe(header, v, 4);
    std::string object;
    for (std::uint32_t v : {0xDBC01002u, 1u, 64u, 48u, 0u, 0u, 1u}) AppendLe(object, v, 4);
    object += file;
    std::string records = PlusRecord(0x4001, 0, header);
    const std::size_t piece = (object.size() + pieces - 1) / pieces;
    for (int i = 0; i < pieces; ++i) {
        std::string data;
        if (pieces > 1) AppendLe(data, static_cast<std::uint32_t>(object.size()), 4);
        data += object.substr(i * piece, piece);
        records += PlusRecord(0x4008, static_cast<std::uint16_t>(0x0500 | (pieces > 1 ? 0x8000 : 0)), data);
    }
    std::string draw;
    AppendLe(draw, 0, 4);  // no image attributes
    AppendLe(draw, 2, 4);  // pixels
    for (float v : {0.f, 0.f, 64.f, 48.f, 0.f, 0.f, 100.f, 75.f}) PutFloat(draw, v);
    records += PlusRecord(0x401A, 0, draw) + PlusRecord(0x4002, 0, "");
    std::string comment;
    AppendLe(comment, static_cast<std::uint32_t>(4 + records.size()), 4);
    comment += "EMF+" + records;
    return EmfRecord(70, comment);
}

std::string WmfFile(std::int16_t width, std::int16_t height, std::uint16_t perInch)
{
    std::string brush;
    AppendLe(brush, 7, 4);
    AppendLe(brush, 0x02FC, 2);
    AppendLe(brush, 0, 2);         // BS_SOLID
    AppendLe(brush, 0x0000FF, 4);  // red
    AppendLe(brush, 0, 2);
    const std::int16_t w = width, h = height;
    const std::string body =
        WmfRecord(0x0103, {8}) + WmfRecord(0x020B, {0, 0}) + WmfRecord(0x020C, {h, w}) + brush +
        WmfRecord(0x012D, {0}) +
        WmfRecord(0x041B, {static_cast<std::int16_t>(h * 4 / 5), static_cast<std::int16_t>(w * 9 / 10),
                           static_cast<std::int16_t>(h / 10), static_cast<std::int16_t>(w / 10)}) +
        WmfRecord(0x0418, {static_cast<std::int16_t>(h * 9 / 10), static_cast<std::int16_t>(w * 7 / 10),
                           static_cast<std::int16_t>(h / 4), static_cast<std::int16_t>(w * 3 / 10)}) +
        WmfRecord(0x0000, {});
    std::string header;
    AppendLe(header, 1, 2);
    AppendLe(header, 9, 2);
    AppendLe(header, 0x0300, 2);
    AppendLe(header, static_cast<std::uint32_t>((18 + body.size()) / 2), 4);
    AppendLe(header, 1, 2);
    AppendLe(header, 7, 4);
    AppendLe(header, 0, 2);
    if (perInch == 0) return header + body;
    std::string placeable;
    AppendLe(placeable, 0x9AC6CDD7, 4);
    AppendLe(placeable, 0, 2);
    for (std::int16_t v : {std::int16_t{0}, std::int16_t{0}, w, h})
        AppendLe(placeable, static_cast<std::uint16_t>(v), 2);
    AppendLe(placeable, perInch, 2);
    AppendLe(placeable, 0, 4);
    std::uint16_t checksum = 0;
    for (std::size_t at = 0; at < placeable.size(); at += 2)
        checksum ^= static_cast<std::uint16_t>(static_cast<unsigned char>(placeable[at]) |
                                               static_cast<unsigned char>(placeable[at + 1]) << 8);
    AppendLe(placeable, checksum, 2);
    return placeable + header + body;
}

std::string Gzip(const std::string& bytes)
{
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

bool DecodedPicture::Blank() const
{
    for (std::size_t at = 3; at + 3 <= pixels.size(); at += 3)
        if (pixels.compare(at, 3, pixels, 0, 3) != 0) return false;
    return true;
}

DecodedPicture DecodePicture(const std::string& file)
{
    DecodedPicture picture;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        ComPtr<IWICImagingFactory> factory;
        ComPtr<IWICStream> stream;
        ComPtr<IWICBitmapDecoder> decoder;
        ComPtr<IWICBitmapFrameDecode> frame;
        ComPtr<IWICFormatConverter> converter;
        UINT width = 0, height = 0;
        if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                       factory.put_void())) &&
            SUCCEEDED(factory->CreateStream(stream.put())) &&
            SUCCEEDED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(file.data())),
                                                   static_cast<DWORD>(file.size()))) &&
            SUCCEEDED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                       decoder.put())) &&
            SUCCEEDED(decoder->GetFrame(0, frame.put())) && SUCCEEDED(frame->GetSize(&width, &height)) &&
            SUCCEEDED(factory->CreateFormatConverter(converter.put())) &&
            SUCCEEDED(converter->Initialize(frame.get(), GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr,
                                            0, WICBitmapPaletteTypeCustom))) {
            picture.pixels.resize(static_cast<std::size_t>(width) * height * 3);
            picture.ok = SUCCEEDED(converter->CopyPixels(nullptr, width * 3, static_cast<UINT>(picture.pixels.size()),
                                                         reinterpret_cast<BYTE*>(picture.pixels.data())));
            picture.width = static_cast<int>(width);
            picture.height = static_cast<int>(height);
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return picture;
}

}  // namespace dovrel::test
