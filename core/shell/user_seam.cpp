#include "core/shell/user_seam.h"

#include <utility>

#include "core/shell/shell.h"

namespace dovrel {

namespace {

class PlatformUserSeam final : public UserSeam {
public:
    Text DocumentsFolder() override { return GetSpecialFolder(1); }
    void ShowMessage(const Text& message, const Text& caption) override
    {
        dovrel::ShowMessage(message, 0, caption, MessageOwner());
    }
    void OpenInShell(const Text& folder) override { ShellExecuteVerb(4, folder); }
};

UserSeam* g_installedSeam = nullptr;
HWND g_messageOwner = nullptr;  // not owned

}  // namespace

UserSeam& RealUserSeam()
{
    static PlatformUserSeam seam;
    return seam;
}

void SetMessageOwner(HWND owner) { g_messageOwner = owner; }

HWND MessageOwner() { return g_messageOwner; }

UserSeam& CurrentUserSeam() { return g_installedSeam ? *g_installedSeam : RealUserSeam(); }

UserSeam* InstallUserSeam(UserSeam* seam) { return std::exchange(g_installedSeam, seam); }

}  // namespace dovrel
