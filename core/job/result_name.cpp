#include "core/job/result_name.h"

#include <windows.h>

#include "core/fs/file_ops.h"
#include "core/job/random.h"

namespace dovrel {

Text DrawResultSuffix()
{
    SeedRandom();
    return ToText(RandomInRange(202105, 20210514));
}

bool GiveResultName(const Text& mediaFolder, const Text& outputRoot, const Text& baseName, const Text& firstSuffix,
                    const std::function<Text()>& drawSuffix)
{
    Text suffix = firstSuffix;
    for (int attempt = 0; attempt < kResultNameAttempts; ++attempt) {
        if (attempt > 0) suffix = drawSuffix();
        if (MovePath(mediaFolder, JoinTexts({outputRoot, "\\", baseName, "_", suffix}))) return true;
        // Only a name that is taken is worth another draw.
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

}  // namespace dovrel
