#include "core/metafile/metafile_renderer.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <vector>

#include "core/base/com_ptr.h"
#include "core/base/scoped_com.h"
#include "core/base/unique_handle.h"
#include "core/fs/file_ops.h"
#include "core/fs/folder_tree.h"
#include "core/fs/volume.h"
#include "core/metafile/metafile_records.h"
#include "core/fs/wide_path.h"
#include "core/text/ascii.h"
#include "core/text/text_encoding.h"

namespace dovrel {

namespace {

constexpr ULONGLONG kPollEveryMs = 15;
constexpr unsigned kRecordsBetweenClockReads = 16;

// A white 24-bit top-down bitmap selected into a memory DC.
class Canvas {
public:
    Canvas(std::int32_t width, std::int32_t height) : width_(width), height_(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        dc_.reset(CreateCompatibleDC(nullptr));
        if (!dc_) return;
        bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
        if (!bitmap_ || !bits_) return;
        previous_ = SelectObject(dc_.get(), bitmap_.get());
        PatBlt(dc_.get(), 0, 0, width, height, WHITENESS);
    }
    ~Canvas()
    {
        if (previous_) SelectObject(dc_.get(), previous_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    explicit operator bool() const { return previous_ != nullptr; }
    HDC dc() const { return dc_.get(); }
    std::uint32_t stride() const { return Stride(width_); }
    static std::uint32_t Stride(std::int32_t width) { return (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u; }
    const BYTE* pixels() const
    {
        GdiFlush();
        return static_cast<const BYTE*>(bits_);
    }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

private:
    std::int32_t width_, height_;
    UniqueMemoryDc dc_;
    UniqueGdiObject bitmap_;
    void* bits_ = nullptr;
    HGDIOBJ previous_ = nullptr;  // not owned: the DC's own bitmap, put back before the DC goes
};

bool FitsPixelBudget(std::int32_t width, std::int32_t height, const RenderLimits& limits)
{
    return static_cast<std::uint64_t>(Canvas::Stride(width)) * static_cast<std::uint64_t>(height) <= limits.pixelBytes;
}

// The poll, asked at most about every 15 ms; the time it takes is kept
// apart, so it never counts as the metafile's playing.
class Pacer {
public:
    explicit Pacer(const RenderPoll& poll) : poll_(poll) {}
    // false once a stop was asked for.
    bool Poll()
    {
        if (stopped_) return false;
        const ULONGLONG now = GetTickCount64();
        if (!poll_ || now < next_) return true;
        stopped_ = !poll_();
        const ULONGLONG after = GetTickCount64();
        pollTime_ += after - now;
        next_ = after + kPollEveryMs;
        return !stopped_;
    }
    bool stopped() const { return stopped_; }
    // Milliseconds since start, the poll's time left out.
    ULONGLONG Elapsed() const { return GetTickCount64() - start_ - pollTime_; }

private:
    const RenderPoll& poll_;
    const ULONGLONG start_ = GetTickCount64();
    ULONGLONG next_ = start_ + kPollEveryMs;
    ULONGLONG pollTime_ = 0;
    bool stopped_ = false;
};

// PNG rows filtered against the row above: about 40 % less encoding time
// than the encoder's own choice under Wine, and flat drawings pack well.
void ChooseUpFilter(IPropertyBag2* options)
{
    if (!options) return;
    PROPBAG2 name{};
    name.pstrName = const_cast<LPOLESTR>(L"FilterOption");
    VARIANT value{};
    value.vt = VT_UI1;
    value.bVal = WICPngFilterUp;
    options->Write(1, &name, &value);  // an encoder without the option keeps its own
}

// The canvas's pixels as a PNG file, encoded by WIC in bands of rows, the
// pacer polled between them. Nothing on a failure or a stop.
std::optional<std::string> EncodePng(const Canvas& canvas, Pacer& pacer)
{
    ScopedCom com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.put_void())) ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.put(), options.put())))
        return std::nullopt;
    ChooseUpFilter(options.get());
    if (FAILED(frame->Initialize(options.get())) ||
        FAILED(frame->SetSize(static_cast<UINT>(canvas.width()), static_cast<UINT>(canvas.height()))))
        return std::nullopt;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        return std::nullopt;
    constexpr UINT kBandRows = 64;
    const BYTE* pixels = canvas.pixels();
    for (UINT row = 0; row < static_cast<UINT>(canvas.height()); row += kBandRows) {
        const UINT rows = std::min<UINT>(kBandRows, static_cast<UINT>(canvas.height()) - row);
        if (!pacer.Poll() || FAILED(frame->WritePixels(rows, canvas.stride(), rows * canvas.stride(),
                                                       const_cast<BYTE*>(pixels + row * canvas.stride()))))
            return std::nullopt;
    }
    if (FAILED(frame->Commit()) || FAILED(encoder->Commit())) return std::nullopt;
    STATSTG stat{};
    HGLOBAL block = nullptr;  // not owned: the stream frees it
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(GetHGlobalFromStream(stream.get(), &block)))
        return std::nullopt;
    const char* bytes = static_cast<const char*>(GlobalLock(block));
    if (!bytes) return std::nullopt;
    std::string png(bytes, static_cast<std::size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(block);
    return png;
}

// The playing of one metafile, record by record, on the clock: a play that
// takes longer than the limit is given up.
struct Play {
    const RenderLimits* limits;
    Pacer* pacer;
    unsigned records = 0;
    bool timedOut = false;
};

int CALLBACK PlayRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles, LPARAM data)
{
    Play& play = *reinterpret_cast<Play*>(data);
    PlayEnhMetaFileRecord(dc, table, record, handles);  // a record GDI refuses is passed over, as PlayEnhMetaFile does
    if (++play.records % kRecordsBetweenClockReads != 0) return 1;
    if (play.pacer->Elapsed() >= play.limits->playMilliseconds) {
        play.timedOut = true;
        return 0;
    }
    return play.pacer->Poll() ? 1 : 0;
}

UniqueEnhMetaFile EnhancedOf(const MetafileLayout& layout, HDC reference)
{
    const BYTE* records = reinterpret_cast<const BYTE*>(layout.records.data());
    const UINT size = static_cast<UINT>(layout.records.size());
    if (layout.format == MetafileFormat::Enhanced) return UniqueEnhMetaFile(SetEnhMetaFileBits(size, records));
    METAFILEPICT picture{};
    picture.mm = MM_ANISOTROPIC;
    picture.xExt = static_cast<LONG>(layout.frame.width);
    picture.yExt = static_cast<LONG>(layout.frame.height);
    return UniqueEnhMetaFile(SetWinMetaFileBits(size, records, reference, &picture));
}

RenderOutcome PlayOnCanvas(const MetafileLayout& layout, const RenderLimits& limits, const RenderPoll& poll,
                           RenderedPicture& picture)
{
    const std::optional<PixelSize> size = RenderSizeOf(layout.frame, limits.dpi, limits.maxSide);
    if (!size || !FitsPixelBudget(size->width, size->height, limits)) return RenderOutcome::NotRendered;
    Canvas canvas(size->width, size->height);
    if (!canvas) return RenderOutcome::NotRendered;
    UniqueEnhMetaFile metafile = EnhancedOf(layout, canvas.dc());
    if (!metafile) return RenderOutcome::NotRendered;
    Pacer pacer(poll);
    Play play{&limits, &pacer};
    const RECT area{0, 0, size->width, size->height};
    const bool played = EnumEnhMetaFile(canvas.dc(), metafile.get(), PlayRecord, &play, &area) != FALSE;
    if (pacer.stopped()) return RenderOutcome::Stopped;
    if (!played || play.timedOut) return RenderOutcome::NotRendered;
    std::optional<std::string> png = EncodePng(canvas, pacer);
    if (pacer.stopped()) return RenderOutcome::Stopped;
    if (!png) return RenderOutcome::NotRendered;
    picture = {"png", std::move(*png)};
    return RenderOutcome::Rendered;
}

// The wrapped bitmap as it is: a PNG or JPEG file as stored, a DIB's
// pixels copied one to one.
RenderOutcome GiveWrappedBitmap(const WrappedBitmap& bitmap, const RenderLimits& limits, const RenderPoll& poll,
                                RenderedPicture& picture)
{
    if (bitmap.kind != WrappedBitmap::Kind::Dib) {
        picture = {bitmap.kind == WrappedBitmap::Kind::Png ? "png" : "jpg", bitmap.bits};
        return RenderOutcome::Rendered;
    }
    if (!FitsPixelBudget(bitmap.width, bitmap.height, limits)) return RenderOutcome::NotRendered;
    Canvas canvas(bitmap.width, bitmap.height);
    if (!canvas) return RenderOutcome::NotRendered;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bitmap.info.data());
    if (StretchDIBits(canvas.dc(), 0, 0, bitmap.width, bitmap.height, 0, 0, bitmap.width, bitmap.height,
                      bitmap.bits.data(), info, DIB_RGB_COLORS, SRCCOPY) == 0)
        return RenderOutcome::NotRendered;
    Pacer pacer(poll);
    std::optional<std::string> png = EncodePng(canvas, pacer);
    if (pacer.stopped()) return RenderOutcome::Stopped;
    if (!png) return RenderOutcome::NotRendered;
    picture = {"png", std::move(*png)};
    return RenderOutcome::Rendered;
}

// The metafiles in folder and its real subfolders, in the order listed.
void ListMetafiles(const Text& folder, std::vector<Text>& found)
{
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileW(WidePath(folder + "\\*").c_str(), &data));
    if (!find) return;
    std::vector<Text> folders;
    do {
        const Text name = TextFromWide(data.cFileName);
        if (name == "." || name == ".." || IsLinkByTag(data.dwFileAttributes, data.dwReserved0)) continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            folders.push_back(folder + "\\" + name);
        } else if (IsMetafileName(name)) {
            found.push_back(folder + "\\" + name);
        }
    } while (FindNextFileW(find.get(), &data));
    find.reset();
    for (const Text& inner : folders) ListMetafiles(inner, found);
}

}  // namespace

RenderOutcome RenderMetafile(std::string_view metafile, const RenderLimits& limits, const RenderPoll& poll,
                             RenderedPicture& picture)
{
    if (metafile.size() > limits.metafileBytes) return RenderOutcome::NotRendered;
    const std::optional<MetafileLayout> layout = ReadMetafileLayout(metafile);
    if (!layout) return RenderOutcome::NotRendered;
    if (layout->bitmap) return GiveWrappedBitmap(*layout->bitmap, limits, poll, picture);
    return PlayOnCanvas(*layout, limits, poll, picture);
}

bool IsMetafileName(const Text& name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == Text::npos) return false;
    const Text extension = FoldAsciiCase(name.substr(dot + 1));
    return extension == "emf" || extension == "wmf" || extension == "emz" || extension == "wmz";
}

FolderRendering RenderMetafilesInFolder(const Text& folder, Progress* progress, const RenderLimits& limits)
{
    FolderRendering result;
    std::vector<Text> metafiles;
    ListMetafiles(folder, metafiles);
    if (metafiles.empty()) return result;
    const ScopedCom com;  // once for the folder, not once a picture
    int percent = 0;
    const RenderPoll poll = [&] { return !progress || ReportPercent(*progress, percent); };
    for (std::size_t i = 0; i < metafiles.size() && !result.stopped; ++i) {
        const Text& path = metafiles[i];
        RenderOutcome outcome = RenderOutcome::NotRendered;
        RenderedPicture picture;
        if (std::optional<std::string> bytes = ReadWholeFile(path, limits.metafileBytes)) {
            if (std::optional<std::string> unpacked = UnpackMetafile(*bytes, limits.metafileBytes))
                outcome = RenderMetafile(*unpacked, limits, poll, picture);
        }
        // A file of the picture's name that is there already stays.
        // A picture the volume has no room for is not written: the job never
        // fills the disk.
        const Text target = path + "." + picture.extension;
        if (outcome == RenderOutcome::Rendered &&
            !(HasRoomFor(target, picture.bytes.size(), 1) && WriteNewFile(target, picture.bytes)))
            outcome = RenderOutcome::NotRendered;
        switch (outcome) {
        case RenderOutcome::Rendered: ++result.rendered; break;
        case RenderOutcome::NotRendered: ++result.notRendered; break;
        case RenderOutcome::Stopped: result.stopped = true; break;
        }
        percent = static_cast<int>((i + 1) * 100 / metafiles.size());
        if (!result.stopped && !poll()) result.stopped = true;
    }
    return result;
}

}  // namespace dovrel
