#include "ui/drop/drop_data_reader.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <cwchar>

#include "core/text/text_encoding.h"
#include "core/base/global_memory.h"
#include "core/base/stg_medium.h"

namespace dovrel {

namespace {

FORMATETC GlobalBlockRequest(CLIPFORMAT format)
{
    return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

bool Fetch(IDataObject* data, CLIPFORMAT format, StgMedium& medium)
{
    if (!data || format == 0) return false;
    FORMATETC request = GlobalBlockRequest(format);
    return SUCCEEDED(data->GetData(&request, medium.put()));
}

// Offset just past the zero unit that ends the entry at `at`, or 0 when the
// block ends first.
template <typename Unit>
std::size_t SkipEntry(const char* bytes, std::size_t size, std::size_t at)
{
    for (; at + sizeof(Unit) <= size; at += sizeof(Unit)) {
        Unit unit;
        std::memcpy(&unit, bytes + at, sizeof(Unit));
        if (unit == 0) return at + sizeof(Unit);
    }
    return 0;
}

// DragQueryFileA trusts the block; a source's block is checked first.
template <typename Unit>
bool FileListEndsInsideBlock(const char* bytes, std::size_t size, std::size_t at)
{
    for (;;) {
        if (at + sizeof(Unit) > size) return false;
        Unit unit;
        std::memcpy(&unit, bytes + at, sizeof(Unit));
        if (unit == 0) return true;  // the empty entry that ends the list
        at = SkipEntry<Unit>(bytes, size, at);
        if (at == 0) return false;
    }
}

bool IsWellFormedDropFiles(HGLOBAL block)
{
    GlobalLockView view(block);
    if (!view.data() || view.size() < sizeof(DROPFILES)) return false;
    DROPFILES header;
    std::memcpy(&header, view.data(), sizeof(header));
    if (header.pFiles < sizeof(DROPFILES) || header.pFiles >= view.size()) return false;
    return header.fWide ? FileListEndsInsideBlock<wchar_t>(view.data(), view.size(), header.pFiles)
                        : FileListEndsInsideBlock<char>(view.data(), view.size(), header.pFiles);
}

}  // namespace

bool OffersFormat(IDataObject* data, CLIPFORMAT format)
{
    if (!data || format == 0) return false;
    FORMATETC request = GlobalBlockRequest(format);
    return data->QueryGetData(&request) == S_OK;
}

bool FetchSucceeds(IDataObject* data, CLIPFORMAT format)
{
    StgMedium medium;
    return Fetch(data, format, medium);
}

std::optional<std::string> FetchZeroTerminated(IDataObject* data, CLIPFORMAT format)
{
    StgMedium medium;
    if (!Fetch(data, format, medium)) return std::nullopt;
    GlobalLockView view(medium.global());
    if (!view.data()) return std::nullopt;
    const void* zero = std::memchr(view.data(), 0, view.size());
    const std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - view.data()) : view.size();
    return std::string(view.data(), length);
}

std::optional<std::vector<Text>> FetchDroppedPaths(IDataObject* data)
{
    StgMedium medium;
    if (!Fetch(data, CF_HDROP, medium)) return std::nullopt;
    if (!IsWellFormedDropFiles(medium.global())) return std::nullopt;
    HDROP drop = static_cast<HDROP>(medium.global());
    // Wide: the shell's names as Explorer shows them, whatever the code page.
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<Text> paths;
    paths.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        const UINT copied = DragQueryFileW(drop, i, path.data(), length + 1);
        path.resize(copied <= length ? copied : length);
        paths.push_back(TextFromWide(path));
    }
    return paths;
}

Text JoinDroppedPaths(const std::vector<Text>& paths)
{
    if (paths.size() == 1) return paths.front();
    Text joined;
    for (const Text& path : paths) {
        joined += path;
        joined += "\r\n";
    }
    return joined;
}

Text TextFromHtmlPayload(const std::string& utf8)
{
    std::wstring wide = WideFromUtf8(utf8);
    for (wchar_t& character : wide)
        if (character == L'\u00A0') character = L' ';
    return TextFromWide(wide);
}

bool OffersAcceptedKind(IDataObject* data, const DropSwitches& switches, const DropFormats& formats)
{
    return (switches[DropKind::Text] && OffersFormat(data, CF_TEXT)) ||
           (switches[DropKind::Files] && OffersFormat(data, CF_HDROP)) ||
           (switches[DropKind::Url] && OffersFormat(data, formats.url)) ||
           (switches[DropKind::Html] && OffersFormat(data, formats.html));
}

std::vector<DroppedText> ReadDroppedTexts(IDataObject* data, const DropSwitches& switches, const DropFormats& formats)
{
    std::vector<DroppedText> dropped;
    // Text that comes with HTML is the HTML's plain rendering: the HTML
    // event is the one that carries it.
    if (switches[DropKind::Text] && !FetchSucceeds(data, formats.html)) {
        if (auto text = FetchZeroTerminated(data, CF_TEXT)) dropped.push_back({DropKind::Text, std::move(*text)});
    }
    if (switches[DropKind::Html]) {
        if (auto html = FetchZeroTerminated(data, formats.html))
            dropped.push_back({DropKind::Html, TextFromHtmlPayload(*html)});
    }
    if (switches[DropKind::Url]) {
        if (auto url = FetchZeroTerminated(data, formats.url)) dropped.push_back({DropKind::Url, std::move(*url)});
    }
    if (switches[DropKind::Files]) {
        if (auto paths = FetchDroppedPaths(data)) dropped.push_back({DropKind::Files, JoinDroppedPaths(*paths)});
    }
    return dropped;
}

DropFormats RegisterDropFormats()
{
    DropFormats formats;
    formats.url = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator"));
    formats.html = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("HTML Format"));
    return formats;
}

}  // namespace dovrel
