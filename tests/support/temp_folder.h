#pragma once
// A fresh folder under the (Wine prefix's) temporary folder, removed with
// everything in it when the fixture ends. Tests never touch Documents.

#include <string>
#include <vector>

namespace dovrel::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Full path, without a trailing backslash.
    const std::string& path() const { return path_; }
    // path() + "\" + relative
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

// Helpers for arranging and checking files in tests.
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);  // empty if missing
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
// Every file and folder under root, relative, "\"-separated, sorted;
// folders end in "\".
std::string ListTree(const std::string& root);
// The names directly inside folder (no "." or ".."), sorted, without the
// one named `except`.
std::vector<std::string> FolderEntries(const std::string& folder, const std::string& except = {});
// Removes a tree whatever its attributes or dot names (test clean-up only).
void ForceRemoveTree(const std::string& path);

}  // namespace dovrel::test
