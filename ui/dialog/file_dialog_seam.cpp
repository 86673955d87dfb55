#include "ui/dialog/file_dialog_seam.h"

#include <shobjidl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "core/base/com_ptr.h"
#include "core/base/scoped_com.h"
#include "core/base/unique_handle.h"
#include "core/text/text.h"
#include "core/text/text_encoding.h"

namespace dovrel {

namespace {

using ShowDialog = BOOL(WINAPI*)(OPENFILENAMEW*);

std::wstring WideOrNone(const char* text) { return text ? WideFromText(text) : std::wstring(); }

const wchar_t* PointerOrNone(const char* text, const std::wstring& wide) { return text ? wide.c_str() : nullptr; }

// A list of zero-terminated texts, ended by an empty one (the filter, a
// choice of several files), as the same list of wide texts or back.
std::wstring WideList(const char* list)
{
    std::wstring wide;
    for (const char* entry = list; *entry; entry += std::strlen(entry) + 1) wide += WideFromText(entry) + L'\0';
    return wide + L'\0';
}

// The wide answer's texts at the request's file offset, converted: where
// the offset falls in the converted list, or nothing.
Text TextList(const std::wstring& wide, std::size_t wideOffset, std::size_t& offset)
{
    Text list;
    offset = 0;
    for (std::size_t at = 0; at < wide.size() && wide[at] != L'\0';) {
        const std::size_t end = std::min(wide.find(L'\0', at), wide.size());
        if (wideOffset >= at && wideOffset <= end)
            offset = list.size() + TextFromWide(wide.substr(at, wideOffset - at)).size();
        list += TextFromWide(wide.substr(at, end - at)) + '\0';
        at = end + 1;
    }
    return list + '\0';
}

class PlatformFileDialogs final : public FileDialogSeam {
public:
    bool OpenFile(OPENFILENAMEA& request) override { return Show(request, GetOpenFileNameW); }
    bool SaveFile(OPENFILENAMEA& request) override { return Show(request, GetSaveFileNameW); }
    DWORD ExtendedError() override { return error_; }

    bool PickFolder(const FolderDialogRequest& request, Text& folder) override
    {
        ScopedCom com;
        ComPtr<IFileOpenDialog> dialog;
        if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                    dialog.put_void())))
            return false;
        FILEOPENDIALOGOPTIONS options = 0;
        if (FAILED(dialog->GetOptions(&options))) return false;
        // Only folders on a disk; the current folder is settled by the caller.
        options |= FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR;
        if (FAILED(dialog->SetOptions(options))) return false;
        if (!request.title.empty()) dialog->SetTitle(WideFromText(request.title).c_str());
        if (!request.initialFolder.empty()) {
            ComPtr<IShellItem> start;
            if (SUCCEEDED(SHCreateItemFromParsingName(WideFromText(request.initialFolder).c_str(), nullptr,
                                                      IID_IShellItem, start.put_void())))
                dialog->SetFolder(start.get());
        }
        if (FAILED(dialog->Show(request.owner))) return false;  // a cancel too
        ComPtr<IShellItem> chosen;
        if (FAILED(dialog->GetResult(chosen.put()))) return false;
        PWSTR path = nullptr;
        if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return false;
        const Text chosenFolder = TextFromWide(path);
        CoTaskMemFree(path);
        if (chosenFolder.empty()) return false;
        folder = chosenFolder;
        return true;
    }

    int ChooseFromMenu(HWND owner, POINT at, const std::vector<Text>& items) override
    {
        UniqueMenu menu(CreatePopupMenu());
        if (!menu) return 0;
        for (std::size_t item = 0; item < items.size(); ++item)
            AppendMenuW(menu.get(), MF_STRING, item + 1, WideFromText(items[item]).c_str());
        return TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y,
                                owner, nullptr);
    }

private:
    bool Show(OPENFILENAMEA& request, ShowDialog show)
    {
        const std::wstring filter = request.lpstrFilter ? WideList(request.lpstrFilter) : std::wstring();
        const std::wstring folder = WideOrNone(request.lpstrInitialDir);
        const std::wstring title = WideOrNone(request.lpstrTitle);
        const std::wstring extension = WideOrNone(request.lpstrDefExt);
        // As many characters as the request has bytes: a choice that needs
        // more bytes than that as texts is asked for again, as one that does
        // not fit the dialog's buffer.
        std::wstring file = WideFromText(Text(request.lpstrFile, strnlen(request.lpstrFile, request.nMaxFile)));
        file.resize(std::max<std::size_t>(request.nMaxFile, file.size() + 1), L'\0');
        std::wstring fileTitle(request.nMaxFileTitle, L'\0');

        OPENFILENAMEW wide = {};
        wide.lStructSize = sizeof wide;
        wide.hwndOwner = request.hwndOwner;
        wide.lpstrFilter = request.lpstrFilter ? filter.c_str() : nullptr;
        wide.nFilterIndex = request.nFilterIndex;
        wide.lpstrFile = file.data();
        wide.nMaxFile = static_cast<DWORD>(file.size());
        wide.lpstrFileTitle = request.lpstrFileTitle ? fileTitle.data() : nullptr;
        wide.nMaxFileTitle = request.nMaxFileTitle;
        wide.lpstrInitialDir = PointerOrNone(request.lpstrInitialDir, folder);
        wide.lpstrTitle = PointerOrNone(request.lpstrTitle, title);
        wide.Flags = request.Flags;
        wide.lpstrDefExt = PointerOrNone(request.lpstrDefExt, extension);

        const bool confirmed = show(&wide) != FALSE;
        error_ = confirmed ? 0 : CommDlgExtendedError();
        request.nFilterIndex = wide.nFilterIndex;
        if (!confirmed) {
            // The size needed, in the file buffer's first two bytes.
            if (error_ == FNERR_BUFFERTOOSMALL) std::memcpy(request.lpstrFile, file.data(), 2);
            return false;
        }
        std::size_t offset = 0;
        const Text chosen = TextList(file, wide.nFileOffset, offset);
        if (chosen.size() > request.nMaxFile) {
            error_ = FNERR_BUFFERTOOSMALL;
            const std::size_t needed = std::min<std::size_t>(chosen.size(), 0xFFFF);
            request.lpstrFile[0] = static_cast<char>(needed & 0xFF);
            request.lpstrFile[1] = static_cast<char>(needed >> 8);
            return false;
        }
        std::memcpy(request.lpstrFile, chosen.data(), chosen.size());
        request.nFileOffset = static_cast<WORD>(offset);
        if (request.lpstrFileTitle && request.nMaxFileTitle > 0) {
            const Text name = TextFromWide(fileTitle).substr(0, request.nMaxFileTitle - 1);
            std::memcpy(request.lpstrFileTitle, name.c_str(), name.size() + 1);
        }
        return true;
    }

    DWORD error_ = 0;
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
