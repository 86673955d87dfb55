#include "ui/dialog/file_dialog_seam.h"

namespace dovrel {

namespace {

class PlatformFileDialogs final : public FileDialogSeam {
public:
    bool OpenFile(OPENFILENAMEA& request) override { return GetOpenFileNameA(&request) != FALSE; }
    bool SaveFile(OPENFILENAMEA& request) override { return GetSaveFileNameA(&request) != FALSE; }
    DWORD ExtendedError() override { return CommDlgExtendedError(); }
};

FileDialogSeam* current = nullptr;  // null: the real dialogs

}  // namespace

FileDialogSeam& RealFileDialogSeam()
{
    static PlatformFileDialogs real;
    return real;
}

FileDialogSeam& CurrentFileDialogSeam() { return current ? *current : RealFileDialogSeam(); }

ScopedFileDialogSeam::ScopedFileDialogSeam(FileDialogSeam& seam) : previous_(current) { current = &seam; }

ScopedFileDialogSeam::~ScopedFileDialogSeam() { current = previous_; }

}  // namespace dovrel
