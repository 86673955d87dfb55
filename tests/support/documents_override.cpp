#include "tests/support/documents_override.h"

#include <windows.h>

namespace dovrel::test {

namespace {

constexpr const char* kFolderKeys[2] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
};

std::optional<std::string> ReadValue(const char* key, DWORD* type)
{
    char buffer[MAX_PATH * 2];
    DWORD size = sizeof buffer;
    if (RegGetValueA(HKEY_CURRENT_USER, key, "Personal", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, type,
                     buffer, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(buffer);
}

void WriteValue(const char* key, DWORD type, const std::string& value)
{
    HKEY handle;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(handle, "Personal", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

}  // namespace

DocumentsOverride::DocumentsOverride(const std::string& folder)
{
    for (int i = 0; i < 2; ++i) {
        DWORD type = REG_SZ;
        saved_[i] = {kFolderKeys[i], ReadValue(kFolderKeys[i], &type), type};
        WriteValue(kFolderKeys[i], i == 0 ? REG_EXPAND_SZ : REG_SZ, folder);
    }
}

DocumentsOverride::~DocumentsOverride()
{
    for (const SavedValue& saved : saved_) {
        if (saved.value) {
            WriteValue(saved.key, saved.type, *saved.value);
        } else {
            RegDeleteKeyValueA(HKEY_CURRENT_USER, saved.key, "Personal");
        }
    }
}

}  // namespace dovrel::test
