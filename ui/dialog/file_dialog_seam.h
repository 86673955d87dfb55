#pragma once
// The narrow seam through which ShowFileDialog reaches the platform's modal
// file dialogs. The request holds the program's texts (code page 936 bytes,
// core/text/text_encoding.h); the default seam hands it to the real
// GetOpenFileNameW/GetSaveFileNameW as UTF-16 and brings the answer back as
// program texts. Tests of callers install a fake that answers at once.

#include <windows.h>
#include <commdlg.h>

namespace dovrel {

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
};

FileDialogSeam& RealFileDialogSeam();
FileDialogSeam& CurrentFileDialogSeam();

// Makes seam the current one (null: the real one) and answers the one it
// replaces (tests, through their scoped override).
FileDialogSeam* InstallFileDialogSeam(FileDialogSeam* seam);

}  // namespace dovrel
