#include "ui/dialog/common_dialog.h"

#include <algorithm>
#include <utility>

namespace dovrel {

void CommonDialog::SetDialogKind(std::int32_t kind) { dialogKind_ = std::clamp(kind, kOpenFile, kHelp); }

void CommonDialog::SetFileNames(std::vector<Text> paths)
{
    fileNames_ = std::move(paths);
    fileName_ = fileNames_.empty() ? Text() : fileNames_.front();
}

void CommonDialog::SetFilterIndex(std::int32_t index) { filterIndex_ = std::max(index, 0); }

bool CommonDialog::SetProperty(int index, std::int32_t value)
{
    switch (static_cast<CommonDialogProperty>(index)) {
    case CommonDialogProperty::DialogKind: SetDialogKind(value); return true;
    case CommonDialogProperty::FilterIndex: SetFilterIndex(value); return true;
    case CommonDialogProperty::CreatePrompt: SetCreatePrompt(value != 0); return true;
    case CommonDialogProperty::FileMustExist: SetFileMustExist(value != 0); return true;
    case CommonDialogProperty::OverwritePrompt: SetOverwritePrompt(value != 0); return true;
    case CommonDialogProperty::PathMustExist: SetPathMustExist(value != 0); return true;
    case CommonDialogProperty::KeepCurrentFolder: SetKeepCurrentFolder(value != 0); return true;
    default: return false;
    }
}

bool CommonDialog::SetProperty(int index, const Text& value)
{
    switch (static_cast<CommonDialogProperty>(index)) {
    case CommonDialogProperty::DialogTitle: SetDialogTitle(value); return true;
    case CommonDialogProperty::FileName: SetFileName(value); return true;
    case CommonDialogProperty::Filter: SetFilter(value); return true;
    case CommonDialogProperty::InitialFolder: SetInitialFolder(value); return true;
    case CommonDialogProperty::DefaultExtension: SetDefaultExtension(value); return true;
    default: return false;
    }
}

std::optional<std::int32_t> CommonDialog::IntegerProperty(int index) const
{
    switch (static_cast<CommonDialogProperty>(index)) {
    case CommonDialogProperty::DialogKind: return DialogKind();
    case CommonDialogProperty::FilterIndex: return FilterIndex();
    case CommonDialogProperty::CreatePrompt: return CreatePrompt() ? 1 : 0;
    case CommonDialogProperty::FileMustExist: return FileMustExist() ? 1 : 0;
    case CommonDialogProperty::OverwritePrompt: return OverwritePrompt() ? 1 : 0;
    case CommonDialogProperty::PathMustExist: return PathMustExist() ? 1 : 0;
    case CommonDialogProperty::KeepCurrentFolder: return KeepCurrentFolder() ? 1 : 0;
    default: return std::nullopt;
    }
}

std::optional<Text> CommonDialog::TextProperty(int index) const
{
    switch (static_cast<CommonDialogProperty>(index)) {
    case CommonDialogProperty::DialogTitle: return DialogTitle();
    case CommonDialogProperty::FileName: return FileName();
    case CommonDialogProperty::Filter: return Filter();
    case CommonDialogProperty::InitialFolder: return InitialFolder();
    case CommonDialogProperty::DefaultExtension: return DefaultExtension();
    default: return std::nullopt;
    }
}

}  // namespace dovrel
