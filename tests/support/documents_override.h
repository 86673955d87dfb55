#pragma once
// Points the current user's Documents folder ("Personal" in the shell's
// folder keys) at a test folder for the lifetime of the object, so a real
// program started by a test writes there, never into the real Documents.

#include <optional>
#include <string>

namespace dovrel::test {

class DocumentsOverride {
public:
    explicit DocumentsOverride(const std::string& folder);
    ~DocumentsOverride();
    DocumentsOverride(const DocumentsOverride&) = delete;
    DocumentsOverride& operator=(const DocumentsOverride&) = delete;

private:
    struct SavedValue {
        const char* key;
        std::optional<std::string> value;
        unsigned long type;
    };
    SavedValue saved_[2];
};

}  // namespace dovrel::test
