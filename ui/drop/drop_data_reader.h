#pragma once
// Turns a dragged data object into plain values: which formats it offers,
// and the texts a drop delivers. The data object is valid only inside the
// platform's call, so everything is read and given back before returning.

#include <objidl.h>

#include <optional>
#include <string>
#include <vector>

#include "core/text/text.h"
#include "ui/drop/drop_kinds.h"

namespace dovrel {

struct DroppedText {
    DropKind kind;
    Text text;
};

// Registers (or looks up) the two shared clipboard formats.
DropFormats RegisterDropFormats();

// QueryGetData answers S_OK for a global block of the format. Every request
// uses the content aspect, index -1 and TYMED_HGLOBAL.
bool OffersFormat(IDataObject* data, CLIPFORMAT format);

// GetData succeeds (any non-negative result); the medium is given back.
bool FetchSucceeds(IDataObject* data, CLIPFORMAT format);

// The block's bytes up to the first zero byte, never past the block's end;
// none when the fetch fails or the medium is not a readable global block.
std::optional<std::string> FetchZeroTerminated(IDataObject* data, CLIPFORMAT format);

// The paths of CF_HDROP in list order, as DragQueryFileA gives them; none
// when the fetch fails or the DROPFILES block is malformed (its list must
// lie inside the block and end with an empty entry).
std::optional<std::vector<Text>> FetchDroppedPaths(IDataObject* data);

// One path alone; two or more each followed by CR LF; none the empty text.
Text JoinDroppedPaths(const std::vector<Text>& paths);

// The HTML payload (UTF-8, header lines included) in the ANSI code page,
// every no-break space (U+00A0) made a plain space.
Text TextFromHtmlPayload(const std::string& utf8);

// The acceptance test of a drag entering the window: text, files, URL, HTML,
// each only if switched on; true as soon as one is offered.
bool OffersAcceptedKind(IDataObject* data, const DropSwitches& switches, const DropFormats& formats);

// What a drop delivers, in the order text, HTML, URL, files; a kind that is
// switched off, absent or unreadable is left out. Text is left out when the
// data also has "HTML Format".
std::vector<DroppedText> ReadDroppedTexts(IDataObject* data, const DropSwitches& switches, const DropFormats& formats);

}  // namespace dovrel
