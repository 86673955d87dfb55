#pragma once
// The four kinds of dropped data the drop target can accept. A kind's value
// is at once its switch's own property index (component property 8 + value)
// and the index of the event that delivers it.

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>

namespace dovrel {

enum class DropKind : std::int32_t {
    Text = 0,   // AcceptText, TextDropped: CF_TEXT
    Html = 1,   // AcceptHtml, HtmlDropped: "HTML Format"
    Url = 2,    // AcceptUrl, UrlDropped: "UniformResourceLocator"
    Files = 3,  // AcceptFiles, FilesDropped: CF_HDROP
};

constexpr std::int32_t kDropKindCount = 4;
constexpr std::int32_t kFirstDropProperty = 8;  // AcceptText; AcceptFiles is 11

// The kind for an own property or event index; none outside 0 to 3.
inline std::optional<DropKind> DropKindOf(std::int32_t index)
{
    if (index < 0 || index >= kDropKindCount) return std::nullopt;
    return static_cast<DropKind>(index);
}

// The four switches, all off by default.
class DropSwitches {
public:
    bool operator[](DropKind kind) const { return on_[static_cast<std::size_t>(kind)]; }
    void Set(DropKind kind, bool on) { on_[static_cast<std::size_t>(kind)] = on; }
    bool operator==(const DropSwitches& other) const { return on_ == other.on_; }
    bool operator!=(const DropSwitches& other) const { return on_ != other.on_; }

private:
    std::array<bool, kDropKindCount> on_{};
};

// The two registered clipboard formats; 0 where registration failed, and a
// format 0 is never asked for.
struct DropFormats {
    CLIPFORMAT url = 0;   // "UniformResourceLocator"
    CLIPFORMAT html = 0;  // "HTML Format"
};

}  // namespace dovrel
