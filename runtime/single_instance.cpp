#include "runtime/single_instance.h"

namespace dovrel {

namespace {

// The running copy's window, once it exists; null after timeoutMs.
HWND WaitForRunningCopy(const char* windowClass, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    HWND window = nullptr;
    while (!(window = FindWindowA(windowClass, nullptr))) {
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(50);
    }
    return window;
}

}  // namespace

SingleInstance::SingleInstance(const char* mutexName) : mutex_(CreateMutexA(nullptr, TRUE, mutexName))
{
    first_ = !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

bool BringRunningCopyToFront(const char* windowClass, DWORD timeoutMs)
{
    HWND window = WaitForRunningCopy(windowClass, timeoutMs);
    if (!window) return false;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    // A message box or the open dialog the copy shows is what it waits on.
    SetForegroundWindow(GetLastActivePopup(window));
    return true;
}

std::wstring HandOverPayload(const std::vector<std::wstring>& documents)
{
    std::wstring payload;
    for (const std::wstring& document : documents) payload.append(document).push_back(L'\0');
    return payload;
}

std::optional<std::vector<std::wstring>> DocumentsFromHandOver(const COPYDATASTRUCT& data)
{
    if (data.dwData != kHandOverDocuments || !data.lpData || data.cbData == 0 || data.cbData % sizeof(wchar_t)) {
        return std::nullopt;
    }
    const std::wstring_view payload(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
    if (payload.back() != L'\0') return std::nullopt;
    std::vector<std::wstring> documents;
    for (std::size_t at = 0; at < payload.size();) {
        const std::size_t end = payload.find(L'\0', at);
        if (end > at) documents.emplace_back(payload.substr(at, end - at));
        at = end + 1;
    }
    return documents;
}

bool HandDocumentsToRunningCopy(const char* windowClass, const std::vector<std::wstring>& documents, DWORD timeoutMs)
{
    HWND window = WaitForRunningCopy(windowClass, timeoutMs);
    if (!window) return false;
    std::wstring payload = HandOverPayload(documents);
    COPYDATASTRUCT data{kHandOverDocuments, static_cast<DWORD>(payload.size() * sizeof(wchar_t)), &payload[0]};
    DWORD_PTR taken = FALSE;
    // The copy answers even mid-job: the job pumps messages.
    return SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, timeoutMs,
                               &taken) &&
           taken == TRUE;
}

}  // namespace dovrel
