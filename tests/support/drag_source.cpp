#include "tests/support/drag_source.h"

#include <ole2.h>

#include <atomic>
#include <memory>

#include "core/base/unique_handle.h"
#include "runtime/window_instance.h"
#include "tests/support/data_object.h"
#include "tests/support/message_pump.h"
#include "core/base/com_ptr.h"

namespace dovrel::test {

namespace {

constexpr char kSourceClassName[] = "DovrelTestDragSource";
constexpr int kSourceSize = 40;
constexpr int kMoveSteps = 8;
constexpr DWORD kStepPauseMs = 40;

// Shared by the calling thread and the source thread; whichever ends last
// frees it, so a source thread that never ends cannot touch freed memory.
struct DragState {
    DragRequest request;
    UniqueHandle ready{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle started{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle ended{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> cancel{false};
    std::atomic<DWORD> shownEffect{DROPEFFECT_NONE};
    std::atomic<HWND> window{nullptr};
    bool windowCreated = false;
    HRESULT result = E_PENDING;
    DWORD effect = DROPEFFECT_NONE;
};

class DropSource final : public IDropSource {
public:
    explicit DropSource(DragState& state) : state_(state) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (id != IID_IUnknown && id != IID_IDropSource) return E_NOINTERFACE;
        *object = static_cast<IDropSource*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override
    {
        if (escapePressed || state_.cancel) return DRAGDROP_S_CANCEL;
        if (!(keyState & MK_LBUTTON)) return DRAGDROP_S_DROP;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override
    {
        state_.shownEffect = effect;
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }

private:
    LONG references_ = 1;
    DragState& state_;  // outlives the drag
};

LRESULT CALLBACK SourceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DragState* state = WindowInstance<DragState>(window, message, lParam);
    switch (message) {
    case WM_LBUTTONDOWN: {
        if (!state || WaitForSingleObject(state->started.get(), 0) == WAIT_OBJECT_0) return 0;
        SetEvent(state->started.get());
        auto data = MemoryDataObject::Create();
        for (const auto& [format, bytes] : state->request.formats) data->Offer(format, bytes);
        auto source = ComPtr<IDropSource>::Adopt(new DropSource(*state));
        DWORD effect = DROPEFFECT_NONE;
        state->result = DoDragDrop(data.get(), source.get(), state->request.allowedEffects, &effect);
        state->effect = effect;
        SetEvent(state->ended.get());
        DestroyWindow(window);
        return 0;
    }
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

DWORD WINAPI SourceThread(void* parameter)
{
    std::shared_ptr<DragState> state = std::move(*static_cast<std::shared_ptr<DragState>*>(parameter));
    delete static_cast<std::shared_ptr<DragState>*>(parameter);

    const HRESULT ole = OleInitialize(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = SourceProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = kSourceClassName;
    RegisterClassA(&windowClass);  // fails harmlessly once registered

    const POINT& from = state->request.from;
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kSourceClassName, "drag source",
                                  WS_POPUP | WS_VISIBLE, from.x - kSourceSize / 2, from.y - kSourceSize / 2,
                                  kSourceSize, kSourceSize, nullptr, nullptr, GetModuleHandleA(nullptr), state.get());
    if (window) {
        state->windowCreated = true;
        state->window = window;
        SetForegroundWindow(window);
        SetFocus(window);
        UpdateWindow(window);
    }
    SetEvent(state->ready.get());
    if (window) {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    state->window = nullptr;
    if (SUCCEEDED(ole)) OleUninitialize();
    return 0;
}

void SendMouse(DWORD flags, POINT at)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Absolute coordinates are 0 to 65535 across the primary screen; the
    // half-pixel offset lands on the pixel meant whichever way it rounds.
    input.mi.dx = static_cast<LONG>((at.x * 65536LL + 32768) / width);
    input.mi.dy = static_cast<LONG>((at.y * 65536LL + 32768) / height);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof(input));
}

void SendKey(WORD key, bool down)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
}

void SendModifiers(const DragRequest& request, bool down)
{
    if (request.holdControl) SendKey(VK_CONTROL, down);
    if (request.holdShift) SendKey(VK_SHIFT, down);
}

}  // namespace

DragOutcome DragData(const DragRequest& request)
{
    DragOutcome outcome;
    auto state = std::make_shared<DragState>();
    state->request = request;

    auto* handover = new std::shared_ptr<DragState>(state);
    UniqueHandle thread(CreateThread(nullptr, 0, SourceThread, handover, 0, nullptr));
    if (!thread) {
        delete handover;
        outcome.failure = "the source thread could not be started";
        return outcome;
    }

    auto finish = [&](const char* failure) {
        if (failure && outcome.failure.empty()) outcome.failure = failure;
        if (HWND window = state->window) PostMessageA(window, WM_CLOSE, 0, 0);
        if (!PumpUntilSignalled(thread.get(), request.timeoutMs) && outcome.failure.empty())
            outcome.failure = "the source thread did not end";
        outcome.result = state->result;
        outcome.effect = state->effect;
        outcome.shownEffect = state->shownEffect;
        return outcome;
    };

    if (!PumpUntilSignalled(state->ready.get(), request.timeoutMs)) return finish("the source window did not appear");
    outcome.sourceReady = state->windowCreated;
    if (!outcome.sourceReady) return finish("the source window could not be created");

    SendMouse(0, request.from);
    PumpFor(100);
    SendModifiers(request, true);
    SendMouse(MOUSEEVENTF_LEFTDOWN, request.from);
    outcome.dragStarted = PumpUntilSignalled(state->started.get(), request.timeoutMs);
    if (!outcome.dragStarted) {
        SendMouse(MOUSEEVENTF_LEFTUP, request.from);
        SendModifiers(request, false);
        return finish("the source window got no button press");
    }

    for (int step = 1; step <= kMoveSteps; ++step) {
        POINT at{request.from.x + (request.to.x - request.from.x) * step / kMoveSteps,
                 request.from.y + (request.to.y - request.from.y) * step / kMoveSteps};
        SendMouse(0, at);
        PumpFor(kStepPauseMs);
    }
    PumpFor(200);  // a few DragOver rounds at the target
    SendMouse(MOUSEEVENTF_LEFTUP, request.to);

    // The keys stay held until the drag has ended, as a user's would.
    outcome.dragEnded = PumpUntilSignalled(state->ended.get(), request.timeoutMs);
    if (!outcome.dragEnded) {
        // The source's QueryContinueDrag runs on a timer and answers cancel.
        state->cancel = true;
        outcome.cancelled = true;
        outcome.dragEnded = PumpUntilSignalled(state->ended.get(), request.timeoutMs);
        SendModifiers(request, false);
        return finish("the drag did not end on the button release and was cancelled");
    }
    SendModifiers(request, false);
    return finish(nullptr);
}

DragOutcome DragFiles(const std::vector<std::string>& paths, POINT from, POINT to, DWORD allowedEffects)
{
    DragRequest request;
    request.formats.push_back({CF_HDROP, DropFilesBlock(paths)});
    request.from = from;
    request.to = to;
    request.allowedEffects = allowedEffects;
    return DragData(request);
}

}  // namespace dovrel::test
