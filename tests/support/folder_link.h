#pragma once
// Folder links and a sandbox drive letter for tests of code that must not
// follow links or touch a drive's root.
//
// Wine 8 creates neither junctions (FSCTL_SET_REPARSE_POINT is not
// supported) nor symbolic links (CreateSymbolicLinkA succeeds and creates
// nothing), and DefineDosDeviceA has no effect. Under Wine a Unix symbolic
// link stands in: Wine reports it as a folder with the reparse-point
// attribute, as Windows reports a junction.

#include <string>

namespace dovrel::test {

bool RunningUnderWine();

enum class FolderLinkKind { None, Junction, SymbolicLink, UnixSymbolicLink };
const char* FolderLinkKindName(FolderLinkKind kind);

// A link at `link` (which must not exist) to the folder `target`; removed
// again when the object ends if it is still there.
class ScopedFolderLink {
public:
    ScopedFolderLink(const std::string& link, const std::string& target);
    ~ScopedFolderLink();
    ScopedFolderLink(const ScopedFolderLink&) = delete;
    ScopedFolderLink& operator=(const ScopedFolderLink&) = delete;

    FolderLinkKind kind() const { return kind_; }

private:
    std::string link_;
    std::string unixLink_;  // for a Unix symbolic link
    FolderLinkKind kind_ = FolderLinkKind::None;
};

// A free drive letter whose root is `folder`, for the object's lifetime.
class ScopedSandboxDrive {
public:
    explicit ScopedSandboxDrive(const std::string& folder);
    ~ScopedSandboxDrive();
    ScopedSandboxDrive(const ScopedSandboxDrive&) = delete;
    ScopedSandboxDrive& operator=(const ScopedSandboxDrive&) = delete;

    // Whether the letter really shows the folder (checked with a probe file).
    bool ok() const { return letter_ != 0; }
    std::string drive() const { return std::string(1, letter_) + ":"; }  // "Q:"
    std::string root() const { return drive() + "\\"; }                  // "Q:\"

private:
    void Release();

    std::string folder_;
    char letter_ = 0;
    std::string unixDevice_;  // under Wine: the dosdevices entry made
};

}  // namespace dovrel::test
