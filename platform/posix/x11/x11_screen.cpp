// The X server screen: Xlib windows and input, Xft text, fontconfig fonts.
#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fontconfig/fontconfig.h>
#include <poll.h>
#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include <winuser.h>

#include "platform/posix/cp932/cp932.h"
#include "platform/posix/x11/x11_screen.h"

namespace {

const WPARAM kLeftButtonFlag = 0x0001;   // MK_LBUTTON
const WPARAM kRightButtonFlag = 0x0002;  // MK_RBUTTON

// Fontconfig patterns tried in turn. Plain "monospace" finds a font without
// Japanese glyphs; CJK fonts call their spacing "dual", not "mono".
const char* const kJapaneseCandidates[] = {"monospace:lang=ja", ":lang=ja:spacing=dual",
                                           ":lang=ja"};
const FcChar32 kHiraganaA = 0x3042;
const FcChar32 kKanjiKan = 0x6F22;
const int kDefaultCellHeight = 16;
// How often a keyboard grab held by another client is asked for again.
const int kGrabRetryMs = 50;
// A given window lower than this is a preview: the text and its rows shrink
// with the window's height so that a whole check fits.
const int kPreviewHeight = 480;
// The exit code when a given window goes or the X server is lost: the window's
// owner is done with the saver.
const int kWindowGoneExit = 1;

LPARAM PointParam(int x, int y) {
    return static_cast<LPARAM>((static_cast<UINT_PTR>(y & 0xFFFF) << 16) |
                               static_cast<UINT_PTR>(x & 0xFFFF));
}

XRenderColor RenderColor(COLORREF color) {
    const unsigned short red = static_cast<unsigned short>((color & 0xFF) * 0x101);
    const unsigned short green = static_cast<unsigned short>(((color >> 8) & 0xFF) * 0x101);
    const unsigned short blue = static_cast<unsigned short>(((color >> 16) & 0xFF) * 0x101);
    return XRenderColor{red, green, blue, 0xFFFF};
}

[[noreturn]] void EndBecause(const char* reason) {
    std::fprintf(stderr, "letterglass: %s\n", reason);
    std::exit(kWindowGoneExit);
}

class X11Display : public layer::DisplayBackend {
public:
    ~X11Display() override = default;

    // In a given window the saver's screen is that window, at its size now.
    void ScreenSize(int* width, int* height) override {
        XWindowAttributes given = {};
        if (given_ != None && XGetWindowAttributes(display_, given_, &given)) {
            *width = given.width;
            *height = given.height;
            return;
        }
        *width = Connect() ? DisplayWidth(display_, screen_) : 0;
        *height = Connect() ? DisplayHeight(display_, screen_) : 0;
    }

    // Another program's window (0: the root window) takes the place of the
    // top-most one: no window of ours, no grab, no cursor, no input, since its
    // owner has them. Its owner may destroy it at any time; then, as when the
    // X server goes, the process ends at once.
    bool UseGiven(unsigned long id) {
        if (!Connect()) return false;
        const Window window = id ? static_cast<Window>(id) : RootWindow(display_, screen_);
        XSetErrorHandler(IgnoreError);
        XWindowAttributes attributes = {};
        if (!XGetWindowAttributes(display_, window, &attributes)) return false;
        given_ = window;
        XSetErrorHandler(EndIfGivenGone);
        XSetIOErrorHandler(EndOnLostServer);
        XSelectInput(display_, window, ExposureMask | StructureNotifyMask);
        return true;
    }

    std::uint64_t Now() override {
        timespec now = {};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
               static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    }

    // Blocks in poll() on the X connection and the wake-up pipe; ReadInput has
    // emptied Xlib's own queue just before, so nothing already read is missed.
    bool Wait(int timeoutMs, int wakeFd) override {
        pollfd fds[2];
        nfds_t count = 0;
        if (wakeFd >= 0) fds[count++] = pollfd{wakeFd, POLLIN, 0};
        if (display_) {
            XFlush(display_);
            fds[count++] = pollfd{ConnectionNumber(display_), POLLIN, 0};
        }
        if (grabWanted_ && !grabbed_ && (timeoutMs < 0 || timeoutMs > kGrabRetryMs))
            timeoutMs = kGrabRetryMs;
        if (count == 0 && timeoutMs < 0) return false;
        poll(fds, count, timeoutMs);
        return true;
    }

    void ReadInput(std::vector<layer::InputMessage>* input) override {
        if (!display_) return;
        if (grabWanted_ && !grabbed_ && Now() - lastGrabTry_ >= kGrabRetryMs) GrabKeyboard();
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            Translate(event, input);
        }
    }

    // A WS_EX_TOPMOST window is override-redirect: no window manager moves,
    // decorates or lowers it.
    bool CreateNativeWindow(HWND hwnd, const RECT& rect, COLORREF background,
                            bool topmost) override {
        if (!Connect()) return false;
        if (topmost && given_ != None) return TakeGiven(hwnd, rect, background);
        XSetWindowAttributes attributes = {};
        attributes.background_pixel = Pixel(background);
        attributes.override_redirect = topmost ? True : False;
        attributes.event_mask =
            StructureNotifyMask | PointerMotionMask | ButtonPressMask | KeyPressMask;
        attributes.cursor = cursorHidden_ ? BlankCursor() : None;
        const unsigned int width =
            rect.right > rect.left ? static_cast<unsigned int>(rect.right - rect.left) : 1;
        const unsigned int height =
            rect.bottom > rect.top ? static_cast<unsigned int>(rect.bottom - rect.top) : 1;
        const Window window =
            XCreateWindow(display_, RootWindow(display_, screen_), rect.left, rect.top, width,
                          height, 0, CopyFromParent, InputOutput, CopyFromParent,
                          CWBackPixel | CWOverrideRedirect | CWEventMask | CWCursor, &attributes);
        // Zero-width lines that leave out their end point, as Windows draws them.
        XGCValues lines = {};
        lines.cap_style = CapNotLast;
        windows_[hwnd] = Native{window,
                                XCreateGC(display_, window, GCCapStyle, &lines),
                                nullptr,
                                static_cast<int>(width),
                                static_cast<int>(height),
                                topmost,
                                false,
                                Pixel(background)};
        return true;
    }

    void ShowNativeWindow(HWND hwnd, bool show) override {
        Native* native = Find(hwnd);
        if (!native) return;
        if (native->given) {
            if (show) Clear(*native);
        } else if (show) {
            XMapRaised(display_, native->window);
            if (native->topmost) {
                grabWanted_ = hwnd;
                GrabKeyboard();
            }
        } else {
            ReleaseKeyboard(hwnd);
            XUnmapWindow(display_, native->window);
        }
        XFlush(display_);
    }

    void DestroyNativeWindow(HWND hwnd) override {
        Native* native = Find(hwnd);
        if (!native) return;
        ReleaseKeyboard(hwnd);
        if (native->draw) XftDrawDestroy(native->draw);
        XFreeGC(display_, native->gc);
        if (!native->given) XDestroyWindow(display_, native->window);
        XFlush(display_);
        windows_.erase(hwnd);
    }

    // An empty 1x1 pixmap cursor hides the pointer over our windows.
    void SetCursorHidden(bool hidden) override {
        cursorHidden_ = hidden;
        if (!display_) return;
        for (auto& entry : windows_) {
            if (entry.second.given) continue;
            if (hidden)
                XDefineCursor(display_, entry.second.window, BlankCursor());
            else
                XUndefineCursor(display_, entry.second.window);
        }
        XFlush(display_);
    }

    void PrepareFont(HFONT font, const layer::FontRequest& request) override {
        Realise(font, request);
    }

    // Every size the font was opened at goes.
    void ForgetFont(HFONT font) override {
        for (auto it = fonts_.begin(); it != fonts_.end();) {
            if (it->first.first != font) {
                ++it;
                continue;
            }
            XftFontClose(display_, it->second);
            it = fonts_.erase(it);
        }
    }

    void DrawText(HWND hwnd, HFONT font, const layer::FontRequest& request, int x, int y,
                  std::string_view cp932, COLORREF text, COLORREF background) override {
        Native* native = Find(hwnd);
        layer::FontRequest sized = request;
        if (native && native->given && native->height < kPreviewHeight) {
            sized.height = ScaledHeight(request.height, native->height);
            y = static_cast<int>(
                std::lround(static_cast<double>(y) * native->height / kPreviewHeight));
        }
        XftFont* xftFont = Realise(font, sized);
        const std::string utf8 = layer::Cp932ToUtf8(cp932.data(), cp932.size());
        if (!native || !xftFont || utf8.empty()) return;
        if (!native->draw)
            native->draw = XftDrawCreate(display_, native->window, DefaultVisual(display_, screen_),
                                         DefaultColormap(display_, screen_));
        const FcChar8* bytes = reinterpret_cast<const FcChar8*>(utf8.data());
        const int length = static_cast<int>(utf8.size());
        XGlyphInfo extents = {};
        XftTextExtentsUtf8(display_, xftFont, bytes, length, &extents);
        XftColor back = AllocColor(background);
        XftColor fore = AllocColor(text);
        XftDrawRect(native->draw, &back, x, y, static_cast<unsigned int>(extents.xOff),
                    static_cast<unsigned int>(xftFont->ascent + xftFont->descent));
        XftDrawStringUtf8(native->draw, &fore, xftFont, x, y + xftFont->ascent, bytes, length);
        FreeColor(&back);
        FreeColor(&fore);
    }

    void DrawLine(HWND hwnd, POINT from, POINT to, COLORREF color) override {
        Native* native = Find(hwnd);
        if (!native) return;
        XSetForeground(display_, native->gc, Pixel(color));
        XDrawLine(display_, native->window, native->gc, from.x, from.y, to.x, to.y);
    }

    void FinishDrawing() override {
        if (display_) XFlush(display_);
    }

private:
    struct Native {
        Window window;
        GC gc;
        XftDraw* draw;
        int width;
        int height;
        bool topmost;
        bool given;  // another program's window
        unsigned long background;
    };

    static int IgnoreError(Display*, XErrorEvent*) { return 0; }

    // Drawing into a window that is gone fails with BadWindow or BadDrawable.
    static int EndIfGivenGone(Display*, XErrorEvent* error);

    static int EndOnLostServer(Display*) { EndBecause("the X server is gone"); }

    bool TakeGiven(HWND hwnd, const RECT& rect, COLORREF background) {
        XGCValues lines = {};
        lines.cap_style = CapNotLast;
        windows_[hwnd] = Native{given_,
                                XCreateGC(display_, given_, GCCapStyle, &lines),
                                nullptr,
                                static_cast<int>(rect.right - rect.left),
                                static_cast<int>(rect.bottom - rect.top),
                                false,
                                true,
                                Pixel(background)};
        return true;
    }

    // The given window shows only what was drawn since it was last cleared.
    void Clear(const Native& native) {
        XSetForeground(display_, native.gc, native.background);
        XFillRectangle(display_, native.window, native.gc, 0, 0,
                       static_cast<unsigned int>(native.width),
                       static_cast<unsigned int>(native.height));
        XFlush(display_);
    }

    // Connects on first need; a failed attempt is not repeated.
    bool Connect() {
        if (display_ || triedToConnect_) return display_ != nullptr;
        triedToConnect_ = true;
        display_ = XOpenDisplay(nullptr);
        if (display_) screen_ = DefaultScreen(display_);
        return display_ != nullptr;
    }

    Native* Find(HWND hwnd) {
        auto found = windows_.find(hwnd);
        return found != windows_.end() ? &found->second : nullptr;
    }

    HWND FindByWindow(Window window) {
        for (auto& entry : windows_)
            if (entry.second.window == window) return entry.first;
        return nullptr;
    }

    // Windows gives the keyboard to the top-most window. Here a grab holds it,
    // so nothing typed at the saver reaches the window behind. Another
    // client's grab (a menu, a locker) makes this fail; ReadInput asks again.
    void GrabKeyboard() {
        const Native* native = Find(grabWanted_);
        lastGrabTry_ = Now();
        grabbed_ = native && XGrabKeyboard(display_, native->window, False, GrabModeAsync,
                                           GrabModeAsync, CurrentTime) == GrabSuccess;
    }

    void ReleaseKeyboard(HWND hwnd) {
        if (grabWanted_ != hwnd) return;
        if (grabbed_) XUngrabKeyboard(display_, CurrentTime);
        grabWanted_ = nullptr;
        grabbed_ = false;
    }

    // Motion and presses of buttons 1 and 3 become mouse messages; the map of a
    // window under the pointer gives one WM_MOUSEMOVE, as in Windows. The
    // program handles no key, so of the keys only Alt+F4 becomes a message.
    void Translate(const XEvent& event, std::vector<layer::InputMessage>* input) {
        HWND hwnd = FindByWindow(event.xany.window);
        if (!hwnd) return;
        if (Native* native = Find(hwnd); native->given) {
            FollowGiven(hwnd, native, event, input);
            return;
        }
        switch (event.type) {
            case MotionNotify:
                input->push_back(
                    {hwnd, WM_MOUSEMOVE, 0, PointParam(event.xmotion.x, event.xmotion.y)});
                break;
            case ButtonPress:
                if (event.xbutton.button == Button1)
                    input->push_back({hwnd, WM_LBUTTONDOWN, kLeftButtonFlag,
                                      PointParam(event.xbutton.x, event.xbutton.y)});
                if (event.xbutton.button == Button3)
                    input->push_back({hwnd, WM_RBUTTONDOWN, kRightButtonFlag,
                                      PointParam(event.xbutton.x, event.xbutton.y)});
                break;
            case MapNotify:
                PointerIfInside(hwnd, input);
                break;
            case KeyPress:
                if ((event.xkey.state & Mod1Mask) &&
                    XLookupKeysym(const_cast<XKeyEvent*>(&event.xkey), 0) == XK_F4)
                    input->push_back({hwnd, WM_SYSKEYDOWN, VK_F4, layer::kAltF4KeyData});
                break;
            default:
                break;
        }
    }

    // Redrawn from black after an expose; a new size is the window's new size.
    void FollowGiven(HWND hwnd, Native* native, const XEvent& event,
                     std::vector<layer::InputMessage>* input) {
        if (event.type == DestroyNotify && event.xdestroywindow.window == given_)
            EndBecause("the window is gone");
        if (event.type == Expose && event.xexpose.count == 0) Clear(*native);
        if (event.type == ConfigureNotify && (event.xconfigure.width != native->width ||
                                              event.xconfigure.height != native->height)) {
            native->width = event.xconfigure.width;
            native->height = event.xconfigure.height;
            input->push_back({hwnd, WM_SIZE, 0, PointParam(native->width, native->height)});
        }
    }

    void PointerIfInside(HWND hwnd, std::vector<layer::InputMessage>* input) {
        const Native* native = Find(hwnd);
        Window root = 0;
        Window child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned int mask = 0;
        if (!XQueryPointer(display_, native->window, &root, &child, &rootX, &rootY, &x, &y, &mask))
            return;
        if (x >= 0 && y >= 0 && x < native->width && y < native->height)
            input->push_back({hwnd, WM_MOUSEMOVE, 0, PointParam(x, y)});
    }

    Cursor BlankCursor() {
        if (blankCursor_ != None) return blankCursor_;
        static const char kEmpty[1] = {0};
        Pixmap empty = XCreateBitmapFromData(display_, RootWindow(display_, screen_), kEmpty, 1, 1);
        XColor black = {};
        blankCursor_ = XCreatePixmapCursor(display_, empty, empty, &black, &black, 0, 0);
        XFreePixmap(display_, empty);
        return blankCursor_;
    }

    XftColor AllocColor(COLORREF color) {
        XftColor result = {};
        const XRenderColor render = RenderColor(color);
        XftColorAllocValue(display_, DefaultVisual(display_, screen_),
                           DefaultColormap(display_, screen_), &render, &result);
        return result;
    }

    void FreeColor(XftColor* color) {
        XftColorFree(display_, DefaultVisual(display_, screen_), DefaultColormap(display_, screen_),
                     color);
    }

    unsigned long Pixel(COLORREF color) {
        XftColor allocated = AllocColor(color);
        const unsigned long pixel = allocated.pixel;
        FreeColor(&allocated);
        return pixel;
    }

    static bool CoversJapanese(XftFont* font) {
        return font->charset && FcCharSetHasChar(font->charset, kHiraganaA) &&
               FcCharSetHasChar(font->charset, kKanjiKan);
    }

    static bool FixedPitch(XftFont* font) {
        int spacing = FC_PROPORTIONAL;
        FcPatternGetInteger(font->pattern, FC_SPACING, 0, &spacing);
        return spacing == FC_MONO || spacing == FC_DUAL;
    }

    // Fontconfig's choice for a candidate pattern, at an em size in pixels.
    XftFont* OpenCandidate(const char* candidate, const layer::FontRequest& request,
                           double pixelSize) {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(candidate));
        if (!pattern) return nullptr;
        FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelSize);
        FcPatternAddInteger(pattern, FC_WEIGHT,
                            FcWeightFromOpenType(request.weight > 0 ? request.weight : 400));
        FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcResult result = FcResultNoMatch;
        FcPattern* match = XftFontMatch(display_, screen_, pattern, &result);
        FcPatternDestroy(pattern);
        if (!match) return nullptr;
        XftFont* font = XftFontOpenPattern(display_, match);
        if (!font) FcPatternDestroy(match);
        return font;
    }

    // Windows' positive height is the cell (ascent + descent), Xft's size the
    // em: the largest em size whose cell fits the asked height.
    XftFont* OpenForCell(const char* candidate, const layer::FontRequest& request, int cell) {
        double low = 1.0;
        double high = 2.0 * cell;
        for (int step = 0; step < 16; ++step) {
            const double middle = (low + high) / 2;
            XftFont* probe = OpenCandidate(candidate, request, middle);
            if (!probe) return nullptr;
            const bool fits = probe->ascent + probe->descent <= cell;
            XftFontClose(display_, probe);
            (fits ? low : high) = middle;
        }
        return OpenCandidate(candidate, request, low);
    }

    // Opened once per font and height. Xft substitutes silently, so each
    // candidate is checked after opening: it must be fixed-pitch and cover
    // Japanese. If none does, the last one opened is used rather than none.
    XftFont* Realise(HFONT font, const layer::FontRequest& request) {
        const auto key = std::make_pair(font, request.height);
        auto found = fonts_.find(key);
        if (found != fonts_.end()) return found->second;
        if (!Connect()) return nullptr;
        XftFont* chosen = nullptr;
        for (const char* candidate : kJapaneseCandidates) {
            if (chosen) XftFontClose(display_, chosen);
            if (request.height < 0)
                chosen = OpenCandidate(candidate, request, -request.height);
            else
                chosen = OpenForCell(candidate, request,
                                     request.height ? request.height : kDefaultCellHeight);
            if (chosen && CoversJapanese(chosen) && FixedPitch(chosen)) break;
        }
        if (chosen) fonts_[key] = chosen;
        return chosen;
    }

    // A height scaled to a preview's window height, at least one pixel.
    static int ScaledHeight(int height, int windowHeight) {
        if (height == 0) height = kDefaultCellHeight;
        const long size = std::lround(static_cast<double>(height) * windowHeight / kPreviewHeight);
        return static_cast<int>(size != 0 ? size : (height < 0 ? -1 : 1));
    }

    Display* display_ = nullptr;
    Window given_ = None;
    bool triedToConnect_ = false;
    int screen_ = 0;
    bool cursorHidden_ = false;
    Cursor blankCursor_ = None;
    HWND grabWanted_ = nullptr;  // the shown top-most window, which takes the keyboard
    bool grabbed_ = false;
    std::uint64_t lastGrabTry_ = 0;
    std::map<HWND, Native> windows_;
    std::map<std::pair<HFONT, int>, XftFont*> fonts_;  // by font and the height asked for
};

X11Display x11Display;

int X11Display::EndIfGivenGone(Display*, XErrorEvent* error) {
    if ((error->error_code == BadWindow || error->error_code == BadDrawable) &&
        error->resourceid == x11Display.given_)
        EndBecause("the window is gone");
    return 0;
}

}  // namespace

namespace layer {

DisplayBackend& CurrentDisplay() {
    return x11Display;
}

bool UseGivenWindow(unsigned long window) {
    return x11Display.UseGiven(window);
}

}  // namespace layer
