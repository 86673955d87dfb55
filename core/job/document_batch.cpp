#include "core/job/document_batch.h"

#include <utility>

namespace dovrel {

std::vector<Text> SplitDroppedPaths(const Text& text)
{
    std::vector<Text> paths;
    for (Text& member : SplitText(text, "\r\n")) {
        if (!member.empty()) paths.push_back(std::move(member));
    }
    return paths;
}

Text PathBoxText(const std::vector<Text>& documents)
{
    Text shown;
    for (std::size_t i = 0; i < documents.size(); ++i) {
        if (i > 0) shown += "; ";
        shown += documents[i];
    }
    return shown;
}

}  // namespace dovrel
