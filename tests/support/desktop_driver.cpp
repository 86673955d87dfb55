#include "tests/support/desktop_driver.h"

#include <fstream>
#include <vector>

namespace dovrel::test {

namespace {

struct WindowSearch {
    DWORD processId;
    const std::string* className;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    if (!search->className->empty() && ClassNameOf(window) != *search->className) return TRUE;
    if (!search->caption->empty() && WindowText(window) != *search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTopLevel(DWORD processId, const std::string& className, const std::string& caption)
{
    WindowSearch search{processId, &className, &caption, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ChildSearch {
    const std::string* className;
    int id;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<ChildSearch*>(parameter);
    bool match = search->className ? ClassNameOf(window) == *search->className : GetDlgCtrlID(window) == search->id;
    if (!match) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND WaitForTopLevelWindow(DWORD processId, const std::string& className, const std::string& caption, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopLevel(processId, className, caption)) != nullptr; }, timeoutMs);
    return found;
}

bool HasTopLevelWindow(DWORD processId, const std::string& className)
{
    return FindTopLevel(processId, className, "") != nullptr;
}

std::string WindowText(HWND window)
{
    std::vector<char> buffer(32768);
    LRESULT length = SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                                         SMTO_ABORTIFHUNG, 5000, nullptr)
                         ? static_cast<LRESULT>(strlen(buffer.data()))
                         : 0;
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string ClassNameOf(HWND window)
{
    char name[256] = {};
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

HWND FindChildByClass(HWND parent, const std::string& className)
{
    ChildSearch search{&className, 0, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindChildById(HWND parent, int id)
{
    ChildSearch search{nullptr, id, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void MovePointer(POINT screen)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

void ClickWithMouse(HWND window)
{
    HWND topLevel = GetAncestor(window, GA_ROOT);
    SetForegroundWindow(topLevel);
    RECT area;
    GetWindowRect(window, &area);
    MovePointer({(area.left + area.right) / 2, (area.top + area.bottom) / 2});
    Sleep(50);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof clicks[0]);
}

void PressKey(WORD virtualKey, bool shift)
{
    std::vector<INPUT> keys;
    auto add = [&](WORD key, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = flags;
        keys.push_back(input);
    };
    if (shift) add(VK_SHIFT, 0);
    add(virtualKey, 0);
    add(virtualKey, KEYEVENTF_KEYUP);
    if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

bool SaveWindowScreenshot(HWND window, const std::string& bmpPath)
{
    RECT area;
    if (!GetWindowRect(window, &area)) return false;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (bitmap) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
        GdiFlush();
        const DWORD rowBytes = ((width * 3) + 3) & ~3u;
        const DWORD imageBytes = rowBytes * height;
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + imageBytes;
        info.bmiHeader.biSizeImage = imageBytes;
        std::ofstream out(bmpPath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
        out.write(static_cast<const char*>(bits), imageBytes);
        saved = out.good();
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

}  // namespace dovrel::test
