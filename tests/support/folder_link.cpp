#include "tests/support/folder_link.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

#include "core/base/unique_handle.h"

namespace dovrel::test {

namespace {

std::wstring Widen(const std::string& text, UINT codePage)
{
    int size = MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(size > 0 ? size - 1 : 0, L'\0');
    if (size > 1) MultiByteToWideChar(codePage, 0, text.c_str(), -1, &wide[0], size);
    return wide;
}

// Wine's own kernel32 exports; absent on Windows.
template <typename Function>
Function WineExport(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

// Wine only: the Unix path of a Windows path, empty if there is none.
std::string UnixPathOf(const std::string& windowsPath)
{
    using ToUnix = char*(CDECL*)(const WCHAR*);
    auto toUnix = WineExport<ToUnix>("wine_get_unix_file_name");
    if (!toUnix) return std::string();
    char* unixPath = toUnix(Widen(windowsPath, CP_ACP).c_str());
    if (!unixPath) return std::string();
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// Wine only: starts a Unix program with Unix arguments. Wine gives no
// handle for a Unix process, so callers wait for its effect instead.
bool StartUnixProgram(const char* program, const std::vector<std::string>& arguments)
{
    using ToDos = WCHAR*(CDECL*)(const char*);
    auto toDos = WineExport<ToDos>("wine_get_dos_file_name");
    if (!toDos) return false;
    WCHAR* dosProgram = toDos(program);
    if (!dosProgram) return false;
    std::wstring application = dosProgram;
    HeapFree(GetProcessHeap(), 0, dosProgram);

    std::wstring commandLine = L"\"" + application + L"\"";
    for (const std::string& argument : arguments) commandLine += L" \"" + Widen(argument, CP_UTF8) + L"\"";
    // The program gets no handle of the test's own: with the test's output
    // shared, Wine was seen to lose everything the test printed after it.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueFile nothing(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                   OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (nothing) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = nothing.get();
    }
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), &commandLine[0], nullptr, nullptr, nothing ? TRUE : FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    return true;
}

template <typename Done>
bool WaitUntil(Done done)
{
    for (int waited = 0; waited < 5000; waited += 10) {
        if (done()) return true;
        Sleep(10);
    }
    return done();
}

bool IsMissing(const std::string& path) { return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; }

bool IsFolderLink(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    const DWORD wanted = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & wanted) == wanted;
}

// The mount-point form of REPARSE_DATA_BUFFER (ntifs.h).
struct MountPointReparseBuffer {
    DWORD reparseTag;
    WORD reparseDataLength;
    WORD reserved;
    WORD substituteNameOffset;
    WORD substituteNameLength;
    WORD printNameOffset;
    WORD printNameLength;
    WCHAR pathBuffer[1024];
};

bool MakeJunction(const std::string& link, const std::string& target)
{
    if (!CreateDirectoryA(link.c_str(), nullptr)) return false;
    bool made = false;
    {
        UniqueFile handle(CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        const std::wstring printName = Widen(target, CP_ACP);
        const std::wstring substituteName = L"\\??\\" + printName;
        const WORD substituteBytes = static_cast<WORD>(substituteName.size() * sizeof(WCHAR));
        const WORD printBytes = static_cast<WORD>(printName.size() * sizeof(WCHAR));
        MountPointReparseBuffer buffer{};
        if (handle && std::size_t{substituteBytes} + printBytes + 4 <= sizeof buffer.pathBuffer) {
            buffer.reparseTag = IO_REPARSE_TAG_MOUNT_POINT;
            buffer.substituteNameLength = substituteBytes;
            buffer.printNameOffset = static_cast<WORD>(substituteBytes + sizeof(WCHAR));
            buffer.printNameLength = printBytes;
            std::memcpy(buffer.pathBuffer, substituteName.c_str(), substituteBytes + sizeof(WCHAR));
            std::memcpy(reinterpret_cast<char*>(buffer.pathBuffer) + buffer.printNameOffset, printName.c_str(),
                        printBytes + sizeof(WCHAR));
            buffer.reparseDataLength = static_cast<WORD>(8 + substituteBytes + printBytes + 2 * sizeof(WCHAR));
            DWORD returned = 0;
            made = DeviceIoControl(handle.get(), FSCTL_SET_REPARSE_POINT, &buffer, 8 + buffer.reparseDataLength,
                                   nullptr, 0, &returned, nullptr) != FALSE;
        }
    }
    if (made && IsFolderLink(link)) return true;
    RemoveDirectoryA(link.c_str());
    return false;
}

bool MakeSymbolicLink(const std::string& link, const std::string& target)
{
    const DWORD allowUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | allowUnprivileged);
    // Wine answers TRUE without creating anything: look instead of trusting.
    return IsFolderLink(link);
}

// out: unixLink, the link's Unix path, to remove it later.
bool MakeUnixSymbolicLink(const std::string& link, const std::string& target, std::string& unixLink)
{
    const std::size_t slash = link.find_last_of('\\');
    if (slash == std::string::npos) return false;
    const std::string unixParent = UnixPathOf(link.substr(0, slash));
    const std::string unixTarget = UnixPathOf(target);
    if (unixParent.empty() || unixTarget.empty()) return false;
    unixLink = unixParent + "/" + link.substr(slash + 1);
    return StartUnixProgram("/bin/ln", {"-s", unixTarget, unixLink}) && WaitUntil([&] { return IsFolderLink(link); });
}

}  // namespace

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

const char* FolderLinkKindName(FolderLinkKind kind)
{
    switch (kind) {
    case FolderLinkKind::Junction: return "junction";
    case FolderLinkKind::SymbolicLink: return "symbolic link";
    case FolderLinkKind::UnixSymbolicLink: return "Unix symbolic link (Wine)";
    default: return "none";
    }
}

ScopedFolderLink::ScopedFolderLink(const std::string& link, const std::string& target) : link_(link)
{
    if (MakeJunction(link, target)) {
        kind_ = FolderLinkKind::Junction;
    } else if (MakeSymbolicLink(link, target)) {
        kind_ = FolderLinkKind::SymbolicLink;
    } else if (RunningUnderWine() && MakeUnixSymbolicLink(link, target, unixLink_)) {
        kind_ = FolderLinkKind::UnixSymbolicLink;
    }
}

ScopedFolderLink::~ScopedFolderLink()
{
    if (kind_ == FolderLinkKind::None) return;
    if (kind_ != FolderLinkKind::UnixSymbolicLink) {
        RemoveDirectoryA(link_.c_str());
        return;
    }
    // Wine cannot remove a Unix link to a folder through Win32, and a link
    // whose target is gone is invisible to it: a marker file tells when the
    // removal is done.
    const std::string marker = link_ + ".removed";
    const std::string unixMarker = unixLink_ + ".removed";
    if (StartUnixProgram("/bin/sh", {"-c", "rm -f \"$0\" && : > \"$1\"", unixLink_, unixMarker})) {
        WaitUntil([&] { return !IsMissing(marker); });
    }
    DeleteFileA(marker.c_str());
}

ScopedSandboxDrive::ScopedSandboxDrive(const std::string& folder) : folder_(folder)
{
    const DWORD used = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y' && !letter_; ++letter) {
        const std::string root = std::string(1, letter) + ":\\";
        if ((used & (1u << (letter - 'A'))) || GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES) continue;

        bool defined = false;
        if (RunningUnderWine()) {
            // Wine's drive letters are the entries of its dosdevices folder.
            std::string drive = UnixPathOf("C:\\");
            while (!drive.empty() && drive.back() == '/') drive.pop_back();
            const std::size_t slash = drive.find_last_of('/');
            const std::string unixFolder = UnixPathOf(folder);
            if (slash == std::string::npos || unixFolder.empty()) return;
            const std::string device = drive.substr(0, slash + 1) + static_cast<char>(letter - 'A' + 'a') + ":";
            defined = StartUnixProgram("/bin/ln", {"-s", unixFolder, device});
            if (defined) unixDevice_ = device;
        } else {
            defined = DefineDosDeviceA(0, (std::string(1, letter) + ":").c_str(), folder.c_str()) != FALSE;
        }
        if (!defined) continue;

        // Only a letter that shows the folder's files is used.
        const std::string probe = folder + "\\sandbox_probe.txt";
        UniqueFile(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)).reset();
        const bool shows = WaitUntil([&] { return !IsMissing(root + "sandbox_probe.txt"); });
        DeleteFileA(probe.c_str());
        letter_ = letter;
        if (!shows) {
            Release();
            return;
        }
    }
}

ScopedSandboxDrive::~ScopedSandboxDrive() { Release(); }

void ScopedSandboxDrive::Release()
{
    if (!letter_) return;
    if (!unixDevice_.empty()) {
        if (StartUnixProgram("/bin/rm", {"-f", unixDevice_})) WaitUntil([&] { return IsMissing(root()); });
    } else {
        DefineDosDeviceA(DDD_REMOVE_DEFINITION, drive().c_str(), nullptr);
    }
    letter_ = 0;
    unixDevice_.clear();
}

}  // namespace dovrel::test
