#pragma once
// A look at a compound file's allocation before the platform reads it: some
// structured-storage implementations (Wine's among them) follow a sector
// chain or a directory tree that loops back on itself for ever. Nothing
// here reads stream data; the platform still does all of that.

#include "core/base/random_access_bytes.h"

namespace dovrel {

// Whether every sector chain that the file's header and directory use ends
// within the file without meeting a sector twice, and the directory tree
// reachable from the root visits no entry twice.
bool CompoundChainsAreSound(const RandomAccessBytes& file);

}  // namespace dovrel
