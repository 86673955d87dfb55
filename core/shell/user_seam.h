#pragma once
// The narrow seam through which the extraction job reaches the user and the
// shell: the Documents folder, its message boxes and the shell's "open".
// The default is the real platform; tests install a recording fake.

#include <windows.h>

#include "core/text/text.h"

namespace dovrel {

class UserSeam {
public:
    virtual ~UserSeam() = default;
    // GetSpecialFolder(1): the Documents folder ending in "\", or empty.
    virtual Text DocumentsFolder() = 0;
    // A task-modal box with one OK button and no icon, owned by the window
    // set with SetMessageOwner (none before); returns when it is closed.
    virtual void ShowMessage(const Text& message, const Text& caption) = 0;
    // ShellExecuteVerb(4, folder): the shell's "open", normally shown.
    virtual void OpenInShell(const Text& folder) = 0;
};

UserSeam& RealUserSeam();
UserSeam& CurrentUserSeam();

// The window that owns the job's message boxes, so they open in front of
// it; null for none. Set by the user interface while its window lives.
void SetMessageOwner(HWND owner);
HWND MessageOwner();

// Makes seam the current one (null: the real one) and answers the one it
// replaces (tests, through their scoped override).
UserSeam* InstallUserSeam(UserSeam* seam);

}  // namespace dovrel
