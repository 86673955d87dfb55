#include "ui/path_box.h"

namespace dovrel {

Text DocumentFromPathBox(const Text& boxText)
{
    // None of these bytes can be the trail byte of a double-byte character.
    constexpr char kAround[] = " \t\r\n\"";
    std::size_t first = boxText.find_first_not_of(kAround);
    if (first == Text::npos) return Text();
    return boxText.substr(first, boxText.find_last_not_of(kAround) - first + 1);
}

}  // namespace dovrel
