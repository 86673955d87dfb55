#include "ui/dialog/file_dialog_seam.h"

#include <utility>

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

FileDialogSeam* InstallFileDialogSeam(FileDialogSeam* seam) { return std::exchange(current, seam); }

}  // namespace dovrel
