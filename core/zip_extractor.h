#pragma once
// Unpacks every entry of a zip archive into a target folder, rebuilding the
// archive's folder tree under it.

#include <cstdint>
#include <optional>

#include "core/text.h"

namespace dovrel {

// The zip component's progress event (ExtractProgress). Fired after every
// entry and once at the end with the percent done.
class ExtractProgressSink {
public:
    virtual ~ExtractProgressSink() = default;
    // Whether the component still has its window; no window, no report.
    virtual bool HasWindow() const = 0;
    // Raises the event synchronously. Answers the handler's truth value, or
    // nothing when no handler ran. false asks the extraction to stop.
    virtual std::optional<bool> Fire(std::int32_t percent) = 0;
};

// out: 1 the walk ended (or a handler asked for a stop); 0 failure after
// the archive was found; -1 an empty argument or nothing at archivePath.
std::int32_t ZipExtractor(const Text& archivePath, const Text& targetFolder, ExtractProgressSink* progress = nullptr);

}  // namespace dovrel
