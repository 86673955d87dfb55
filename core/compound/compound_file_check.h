#pragma once
// A look at a compound file's allocation before the platform reads it: some
// structured-storage implementations (Wine's among them) follow a sector
// chain or a directory tree that loops back on itself for ever. Nothing
// here reads stream data; the platform still does all of that.

#include <cstdint>
#include <string>

#include "core/text/text.h"

namespace dovrel {

// A compound file's bytes, however they are reached.
class CompoundBytes {
public:
    virtual ~CompoundBytes() = default;
    virtual std::uint64_t size() const = 0;
    // false unless all `length` bytes at `offset` were read into bytes.
    virtual bool Read(std::uint64_t offset, std::size_t length, std::string& bytes) const = 0;
};

// Whether every sector chain that the file's header and directory use ends
// within the file without meeting a sector twice, and the directory tree
// reachable from the root visits no entry twice.
bool CompoundChainsAreSound(const CompoundBytes& file);
// The same for the file at path.
bool CompoundFileChainsAreSound(const Text& path);

}  // namespace dovrel
