#pragma once
// EMF and WMF pictures made viewable: Windows plays the metafile (GDI) and
// encodes a PNG (WIC), written beside the original as "<name>.png"; a
// metafile that only wraps one bitmap gives that bitmap itself. The
// original is never changed.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/progress.h"
#include "core/text/text.h"

namespace dovrel {

struct RenderLimits {
    int dpi = 192;                               // the frame's scale
    std::int32_t maxSide = 4096;                 // pixels on the long side
    std::uint32_t playMilliseconds = 2000;       // a longer play is given up
    std::uint64_t pixelBytes = 256ull << 20;     // the largest bitmap made
    std::uint64_t metafileBytes = 256ull << 20;  // the largest metafile read or unpacked
};

// Asked now and then while a metafile plays (about every 15 ms) and after
// each one; false asks for a stop. Its time does not count as playing time.
using RenderPoll = std::function<bool()>;

struct RenderedPicture {
    const char* extension = "png";  // "png", or "jpg" for a wrapped JPEG
    std::string bytes;
};

enum class RenderOutcome {
    Rendered,
    NotRendered,  // no metafile, damaged, empty, past a limit: the original stays alone
    Stopped,      // the poll asked for a stop
};

// The picture of a metafile's bytes (EMF or WMF, unpacked).
RenderOutcome RenderMetafile(std::string_view metafile, const RenderLimits& limits, const RenderPoll& poll,
                             RenderedPicture& picture);

// The file names the renderer takes: .emf, .wmf, .emz and .wmz, in any
// letter case.
bool IsMetafileName(const Text& name);

struct FolderRendering {
    int rendered = 0;
    int notRendered = 0;
    bool stopped = false;
};

// Every metafile in folder and its real subfolders (links are not entered)
// gets "<name>.png" (or "<name>.jpg") beside it, unless a file of that name
// is there already, or the volume has no room for it. A metafile that
// cannot be rendered is passed over. progress is told how far the folder's
// metafiles are, as a percent, while one plays and after each; false asks
// for a stop.
FolderRendering RenderMetafilesInFolder(const Text& folder, Progress* progress = nullptr,
                                        const RenderLimits& limits = {});

}  // namespace dovrel
