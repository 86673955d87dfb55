#pragma once
// The narrow seam through which ShowFileDialog reaches the platform's modal
// file dialogs. The default is the real GetOpenFileNameA/GetSaveFileNameA;
// tests of callers install a fake that answers at once.

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
};

FileDialogSeam& RealFileDialogSeam();
FileDialogSeam& CurrentFileDialogSeam();

// Installs a seam for the lifetime of the object (tests).
class ScopedFileDialogSeam {
public:
    explicit ScopedFileDialogSeam(FileDialogSeam& seam);
    ~ScopedFileDialogSeam();
    ScopedFileDialogSeam(const ScopedFileDialogSeam&) = delete;
    ScopedFileDialogSeam& operator=(const ScopedFileDialogSeam&) = delete;

private:
    FileDialogSeam* previous_;
};

}  // namespace dovrel
