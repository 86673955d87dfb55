#pragma once
// The narrow seam through which the 浏览 flow reaches the platform's modal
// choices: the file dialogs of ShowFileDialog, the folder dialog of
// ShowFolderDialog and the small menu that offers the two. The requests hold
// the program's texts (code page 936 bytes, core/text/text_encoding.h); the
// default seam hands them to the real GetOpenFileNameW/GetSaveFileNameW, the
// shell's item dialog (IFileOpenDialog picking folders) and TrackPopupMenuEx
// as UTF-16 and brings the answers back as program texts. Tests of callers
// install a fake that answers at once.

#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "core/text/text.h"

namespace dovrel {

struct FolderDialogRequest {
    HWND owner = nullptr;
    Text title;          // empty: the platform's own
    Text initialFolder;  // empty: the platform's choice
};

class FileDialogSeam {
public:
    virtual ~FileDialogSeam() = default;
    // Runs the dialog modally; true when the user confirmed, with the
    // chosen path in request.lpstrFile. false on cancel or failure.
    virtual bool OpenFile(OPENFILENAMEA& request) = 0;
    virtual bool SaveFile(OPENFILENAMEA& request) = 0;
    // Why the last call answered false: CommDlgExtendedError() for the
    // platform (0 for a cancel, FNERR_BUFFERTOOSMALL with the size needed
    // in the file buffer's first two bytes); 0 unless a seam says more.
    virtual DWORD ExtendedError() { return 0; }
    // Runs the folder dialog modally; true when the user confirmed a folder
    // on a disk, whose full path is then in folder. false on cancel or
    // failure, folder untouched.
    virtual bool PickFolder(const FolderDialogRequest& request, Text& folder) = 0;
    // A popup menu of items at the screen point at, owned by owner: the
    // chosen item's number (1 for the first), 0 when the menu was left.
    virtual int ChooseFromMenu(HWND owner, POINT at, const std::vector<Text>& items) = 0;
};

FileDialogSeam& RealFileDialogSeam();
FileDialogSeam& CurrentFileDialogSeam();

// Makes seam the current one (null: the real one) and answers the one it
// replaces (tests, through their scoped override).
FileDialogSeam* InstallFileDialogSeam(FileDialogSeam* seam);

}  // namespace dovrel
