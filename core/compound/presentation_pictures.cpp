// Presentations: the Pictures stream, BLIP after BLIP.

#include <optional>

#include "core/compound/binary_families.h"
#include "core/compound/picture_folder.h"

namespace dovrel {

void PresentationBlips(const OpenedDocument& opened, BlipVisitor& visit)
{
    const CompoundDocument& document = opened.storage;
    const std::optional<StorageStream> pictures = document.OpenStream(L"Pictures");
    if (!pictures) return;
    StreamSource source(*pictures, 0, pictures->size());
    ForEachBlip(source, pictures->size(), visit);
}

}  // namespace dovrel
