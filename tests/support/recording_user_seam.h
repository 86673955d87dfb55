#pragma once
// A user seam for tests: a Documents folder of the test's choosing, and a
// record of every message box and shell call, in order, instead of showing
// them.

#include <string>
#include <vector>

#include "core/shell/user_seam.h"

namespace dovrel::test {

class RecordingUserSeam final : public UserSeam {
public:
    explicit RecordingUserSeam(Text documentsFolder) : documents_(std::move(documentsFolder)) {}

    Text DocumentsFolder() override { return documents_; }
    void ShowMessage(const Text& message, const Text& caption) override
    {
        events.push_back("message:" + caption + ":" + message);
    }
    void OpenInShell(const Text& folder) override { events.push_back("open:" + folder); }

    std::vector<std::string> events;

private:
    Text documents_;
};

}  // namespace dovrel::test
