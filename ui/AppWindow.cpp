#include "ui/AppWindow.h"

#include <cstring>

namespace {

// The one window object of the process: set at the first WM_CREATE, so every
// window made through the framework reaches it.
AppWindow* g_routedWindow = nullptr;

// Copies at most size - 1 characters, the rule for every fixed text buffer.
void CopyBounded(char* destination, const char* source, std::size_t size) {
    std::size_t length = source ? std::strlen(source) : 0;
    if (length > size - 1) length = size - 1;
    std::memcpy(destination, source ? source : "", length);
    destination[length] = '\0';
}

int UseDefaultIfNegative(int value) {
    return value < 0 ? CW_USEDEFAULT : value;
}

}  // namespace

AppWindow::AppWindow()
    : instance_(nullptr),
      window_(nullptr),
      parent_(nullptr),
      accelerators_(nullptr),
      font_(nullptr) {
    className_[0] = '\0';
    title_[0] = '\0';
}

AppWindow::~AppWindow() {
    if (font_) DeleteObject(font_);
    // A destroyed object must never receive messages.
    if (g_routedWindow == this) g_routedWindow = nullptr;
}

LRESULT AppWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

int AppWindow::Setup(HINSTANCE instance, const char* title, const char* className,
                     WORD acceleratorId) {
    instance_ = instance;
    CopyBounded(title_, title, sizeof title_);
    CopyBounded(className_, className, sizeof className_);
    if (instance_) accelerators_ = LoadAcceleratorsA(instance_, MAKEINTRESOURCEA(acceleratorId));
    return 0;
}

ATOM AppWindow::RegisterWindowClass(WORD iconId, WORD smallIconId, WORD menuId, WORD cursorId,
                                    HBRUSH background) {
    if (!instance_) return 0;
    WNDCLASSEXA windowClass;
    std::memset(&windowClass, 0, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = AppWindowProc;
    windowClass.hInstance = instance_;
    windowClass.lpszMenuName = MAKEINTRESOURCEA(menuId);
    windowClass.lpszClassName = className_;
    windowClass.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(iconId));
    windowClass.hIconSm = LoadIconA(instance_, MAKEINTRESOURCEA(smallIconId));
    windowClass.hCursor = cursorId == 0 ? LoadCursorA(nullptr, IDC_ARROW)
                                        : LoadCursorA(instance_, MAKEINTRESOURCEA(cursorId));
    windowClass.hbrBackground =
        background ? background : reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    return RegisterClassExA(&windowClass);
}

HWND AppWindow::Create(DWORD exStyle, DWORD style, int x, int y, int width, int height, HWND parent,
                       int showCommand) {
    if (!instance_) return window_;
    parent_ = parent;
    x = UseDefaultIfNegative(x);
    y = UseDefaultIfNegative(y);
    width = UseDefaultIfNegative(width);
    height = UseDefaultIfNegative(height);

    // Laid out like the platform's creation structure; its first field carries this object.
    CREATESTRUCTA record;
    std::memset(&record, 0, sizeof record);
    record.lpCreateParams = this;
    record.hInstance = instance_;
    record.hwndParent = parent;
    record.cy = height;
    record.cx = width;
    record.y = y;
    record.x = x;
    record.style = static_cast<LONG>(style);
    record.lpszName = title_;
    record.lpszClass = className_;
    record.dwExStyle = exStyle;

    window_ = CreateWindowExA(exStyle, className_, title_, style, x, y, width, height, parent,
                              nullptr, instance_, &record);
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    return window_;
}

// Blocks in GetMessageA between messages: the saver is idle most of the time and
// must not keep a processor busy.
int AppWindow::RunMessageLoop() {
    if (!window_) return 0;
    MSG message;
    for (;;) {
        BOOL result = GetMessageA(&message, nullptr, 0, 0);
        if (result == 0) return static_cast<int>(message.wParam);
        if (result < 0) return 0;
        if (TranslateAcceleratorA(message.hwnd, accelerators_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

HFONT AppWindow::CreateTextFont(int height, int weightFactor, BOOL italic, BOOL underline,
                                BOOL strikeOut, const char* face) {
    // "ＭＳ ゴシック" in Shift_JIS.
    static const char kDefaultFace[] = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";
    if (height == 0) height = 10;
    if (weightFactor == 0) weightFactor = 4;
    if (!face) face = kDefaultFace;
    font_ = CreateFontA(height, 0, 0, 0, weightFactor * 100, static_cast<DWORD>(italic),
                        static_cast<DWORD>(underline), static_cast<DWORD>(strikeOut),
                        SHIFTJIS_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        FIXED_PITCH | FF_DONTCARE, face);
    return font_;
}

LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!g_routedWindow) {
        if (message != WM_CREATE) return DefWindowProcA(window, message, wParam, lParam);
        const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        const CREATESTRUCTA* record = static_cast<const CREATESTRUCTA*>(create->lpCreateParams);
        if (!record) return DefWindowProcA(window, message, wParam, lParam);
        g_routedWindow = static_cast<AppWindow*>(record->lpCreateParams);
    }
    return g_routedWindow->HandleMessage(window, message, wParam, lParam);
}
