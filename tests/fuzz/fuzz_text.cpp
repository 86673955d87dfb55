// The double-byte walks of code page 936 texts: searches, splits and the
// entry-name check, on a text and a separator cut from the input.
#include <cstddef>
#include <cstdint>

#include "core/text/text.h"
#include "core/zip/zip_entry_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::size_t cut = data[0] % 4;
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const std::size_t restSize = size - 1;
    const dovrel::Text separator(rest, std::min(cut, restSize));
    const dovrel::Text text(rest + separator.size(), restSize - separator.size());

    (void)dovrel::IsSafeEntryName(text);
    (void)dovrel::FindLastText(text, separator);
    (void)dovrel::FindLastText(text, separator, static_cast<std::int32_t>(text.size() / 2), true);
    (void)dovrel::SplitText(text, separator.empty() ? dovrel::Text("\\") : separator, 8);
    (void)dovrel::RightText(text, static_cast<std::int32_t>(cut) - 2);
    (void)dovrel::LeftText(text, static_cast<std::int32_t>(text.size()) - static_cast<std::int32_t>(cut));
    return 0;
}
