#pragma once
// The three families of old binary documents, each a walk over the BLIPs
// its streams hold: presentations (the "Pictures" stream), word-processing
// documents (the drawing group in the table stream, the inline pictures in
// "Data") and workbooks (the drawing group record and its continuations).

#include <cstdint>
#include <optional>

#include "core/compound/compound_document.h"
#include "core/compound/office_art.h"

namespace dovrel {

struct FilePart {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// Where the file information block at the start of WordDocument says the
// drawing group and the character-formatting index lie, and in which table
// stream.
struct WordLayout {
    const wchar_t* table = L"0Table";
    FilePart drawingGroup;    // fcDggInfo / lcbDggInfo
    FilePart characterIndex;  // fcPlcfBteChpx / lcbPlcfBteChpx
};

// The file information block, read once for the encryption check and the
// pictures.
struct WordHeader {
    bool encrypted = false;
    std::optional<WordLayout> layout;  // nothing when encrypted or cut short
};

// Nothing when the document has no WordDocument stream with Word's magic.
std::optional<WordHeader> ReadWordHeader(const CompoundDocument& document);

// The storage, and what the reading of its kind has already learned.
struct OpenedDocument {
    const CompoundDocument& storage;
    std::optional<WordHeader> word;
};

void PresentationBlips(const OpenedDocument& opened, BlipVisitor& visit);
void WordDocumentBlips(const OpenedDocument& opened, BlipVisitor& visit);
void WorkbookBlips(const OpenedDocument& opened, BlipVisitor& visit);

}  // namespace dovrel
