// The SDL display: a resizable window titled "Movimetra", a native Wayland client where a Wayland
// compositor runs (X11 otherwise). The 480x800 screen is drawn at the scale at which it fits the
// window's pixels (aspect kept, centred) and copied into them one to one; a window of another
// size draws again at its own scale. The mouse and the touch screen are the stylus, F1/F2 are the
// soft keys, other keys and typed text go to the focused window, and closing the window closes
// the program's main window. The screen may blank as the desktop decides: a workout keeps the
// device running by other means. Presenting never waits for the display's refresh.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "install_config.h"
#include "platform/core/core_state.h"
#include "platform/core/mv_internal.h"
#include "platform/display/display_fit.h"
#include "platform/win_window.h"

namespace mv {

namespace {

constexpr int64_t kFrameMs = 16;  // at most about 60 presents a second

// The first window: 480x800 where the display's usable area holds it, else the largest size of
// that shape it holds.
void FittingWindowSize(int* width, int* height) {
    *width = MV_SCREEN_WIDTH;
    *height = MV_SCREEN_HEIGHT;
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0) return;
    if (usable.w >= MV_SCREEN_WIDTH && usable.h >= MV_SCREEN_HEIGHT) return;
    MvFrameFit fit = MvFitFrame(usable.w, usable.h);
    *width = std::min(fit.width, static_cast<int>(usable.w));
    *height = std::min(fit.height, static_cast<int>(usable.h));
}

// MOVIMETRA_WINDOW: "WIDTHxHEIGHT" (the window's size) or "fullscreen"; else a size that fits.
Uint32 WindowSetting(int* width, int* height) {
    FittingWindowSize(width, height);
    const char* setting = std::getenv("MOVIMETRA_WINDOW");
    if (setting == nullptr || setting[0] == '\0') return 0;
    if (std::strcmp(setting, "fullscreen") == 0) return SDL_WINDOW_FULLSCREEN_DESKTOP;
    int w = 0, h = 0;
    char rest = 0;
    if (std::sscanf(setting, "%dx%d%c", &w, &h, &rest) == 2 && w > 0 && h > 0 && w <= 16384 && h <= 16384) {
        *width = w;
        *height = h;
    } else {
        std::fprintf(stderr, "movimetra: MOVIMETRA_WINDOW \"%s\" is not WIDTHxHEIGHT or fullscreen\n",
                     setting);
    }
    return 0;
}

UINT VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<UINT>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<UINT>('0' + (key - SDLK_0));
    switch (key) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return VK_RETURN;
        case SDLK_BACKSPACE:
            return VK_BACK;
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_TAB:
            return VK_TAB;
        case SDLK_SPACE:
            return ' ';
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_DELETE:
            return VK_DELETE;
        default:
            return 0;
    }
}

class SdlDisplay : public DisplayBackend {
public:
    bool Init() override {
        // SDL would keep the screen on while the window is open.
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        // Touches are handled as such, not as the mouse SDL would make of them.
        SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
        SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
        // The desktop matches the window to the program's desktop entry and icon by its class
        // (X11) or application ID (Wayland). A value the user set wins.
        setenv("SDL_VIDEO_X11_WMCLASS", MV_APP_ID, 0);
        setenv("SDL_VIDEO_WAYLAND_WMCLASS", MV_APP_ID, 0);
        // Wayland first (SDL would take X11 through Xwayland, which the compositor then
        // stretches), X11 where there is no compositor; a driver the user names wins.
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        if (driver == nullptr || driver[0] == '\0') SDL_SetHint(SDL_HINT_VIDEODRIVER, "wayland,x11");
        // A compositor stops frame callbacks while the screen is off: presenting must not wait
        // for them, or counting would stall behind it.
        SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return Fail();
        int width, height;
        Uint32 flags = WindowSetting(&width, &height);
        m_window = SDL_CreateWindow("Movimetra", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                                    height, SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI | flags);
        if (m_window == nullptr) {
            return Fail();
        }
        m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_ACCELERATED);
        if (m_renderer == nullptr) m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_SOFTWARE);
        if (m_renderer == nullptr) {
            return Fail();
        }
        FollowWindowScale();
        if (!MakeTexture()) {
            return Fail();
        }
        m_wakeEvent = SDL_RegisterEvents(1);
        SDL_StartTextInput();
        m_force = true;
        return true;
    }

    std::string InitError() const override { return m_initError; }

    void Shutdown() override {
        if (m_texture) SDL_DestroyTexture(m_texture);
        if (m_renderer) SDL_DestroyRenderer(m_renderer);
        if (m_window) SDL_DestroyWindow(m_window);
        m_texture = nullptr;
        m_renderer = nullptr;
        m_window = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        MvSetDeviceScale(1.0);
    }

    void PollEvents() override {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) Handle(ev);
    }

    void WaitEvents(int64_t timeoutMs) override {
        if (timeoutMs < 0)
            SDL_WaitEvent(nullptr);
        else
            SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<int64_t>(timeoutMs, 0x7FFFFFFF)));
    }

    void Wake() override {
        if (m_wakeEvent == static_cast<Uint32>(-1)) return;
        SDL_Event ev{};
        ev.type = m_wakeEvent;
        SDL_PushEvent(&ev);
    }

    int64_t Present() override {
        if (!m_pending && MvFramebufferTakeDirty()) m_pending = true;
        if (!m_pending && !m_force) return -1;
        if (!m_iconSet) SetIconFromMainWindow();
        int64_t now = RealMonotonicMs();
        if (!m_force && now - m_lastPresent < kFrameMs) return kFrameMs - (now - m_lastPresent);
        int width = 0, height = 0;
        MvFramebufferDeviceSize(&width, &height);
        if ((width != m_textureWidth || height != m_textureHeight) && !MakeTexture()) return -1;
        if (const uint32_t* pixels = MvFramebufferDisplayData())
            SDL_UpdateTexture(m_texture, nullptr, pixels, width * 4);
        SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
        SDL_RenderClear(m_renderer);
        // The frame's place in the window; the framebuffer has its size (one to one) unless the
        // window is smaller than 480x800, where the 1x frame is shrunk to fit.
        MvFrameFit fit = Fit();
        const bool exact = fit.width == width && fit.height == height;
        SDL_SetTextureScaleMode(m_texture, exact ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
        SDL_Rect target = {fit.x, fit.y, fit.width, fit.height};
        SDL_RenderCopy(m_renderer, m_texture, nullptr, &target);
        SDL_RenderPresent(m_renderer);
        m_lastPresent = now;
        m_pending = false;
        m_force = false;
        return -1;
    }

    void Raise() override {
        if (m_window) SDL_RaiseWindow(m_window);
    }

    bool WaitsItself() const override { return true; }

private:
    // Keeps SDL's reason before the cleanup can overwrite it.
    bool Fail() {
        const char* error = SDL_GetError();
        m_initError = error != nullptr ? error : "";
        Shutdown();
        return false;
    }

    // The device scale at which the 480x800 screen fits the window's pixels (1 at least: a
    // smaller window shows the 1x frame shrunk). A new scale repaints every window.
    void FollowWindowScale() {
        int width = 0, height = 0;
        if (SDL_GetRendererOutputSize(m_renderer, &width, &height) != 0 || width <= 0 || height <= 0) return;
        const double scale = std::min(static_cast<double>(width) / MV_SCREEN_WIDTH,
                                      static_cast<double>(height) / MV_SCREEN_HEIGHT);
        MvSetDeviceScale(std::max(scale, 1.0));
    }

    bool MakeTexture() {
        if (m_texture) SDL_DestroyTexture(m_texture);
        MvFramebufferDeviceSize(&m_textureWidth, &m_textureHeight);
        m_texture = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                      m_textureWidth, m_textureHeight);
        return m_texture != nullptr;
    }

    MvFrameFit Fit() const {
        int width = 0, height = 0;
        if (SDL_GetRendererOutputSize(m_renderer, &width, &height) != 0)
            SDL_GetWindowSize(m_window, &width, &height);
        return MvFitFrame(width, height);
    }

    // A mouse position (window points) as a screen pixel; false outside the frame.
    bool FromMouse(int mx, int my, int* x, int* y) const {
        int points = 0, pointsHigh = 0, pixels = 0, pixelsHigh = 0;
        SDL_GetWindowSize(m_window, &points, &pointsHigh);
        SDL_GetRendererOutputSize(m_renderer, &pixels, &pixelsHigh);
        double sx = points > 0 && pixels > 0 ? static_cast<double>(pixels) / points : 1.0;
        double sy = pointsHigh > 0 && pixelsHigh > 0 ? static_cast<double>(pixelsHigh) / pointsHigh : 1.0;
        return MvFrameFromWindow(Fit(), (mx + 0.5) * sx, (my + 0.5) * sy, x, y);
    }

    // A touch position (0..1 across the window) as a screen pixel; false outside the frame.
    bool FromFinger(float fx, float fy, int* x, int* y) const {
        int pixels = 0, pixelsHigh = 0;
        if (SDL_GetRendererOutputSize(m_renderer, &pixels, &pixelsHigh) != 0)
            SDL_GetWindowSize(m_window, &pixels, &pixelsHigh);
        return MvFrameFromWindow(Fit(), static_cast<double>(fx) * pixels,
                                 static_cast<double>(fy) * pixelsHigh, x, y);
    }

    // One stylus: a press outside the frame is ignored; a drag outside it stays at its edge.
    void StylusDown(bool inside, int x, int y) {
        if (m_stylusDown || !inside) return;
        m_stylusDown = true;
        MvStylusDown(x, y);
    }

    void StylusMove(int x, int y) {
        if (m_stylusDown) MvStylusMove(x, y);
    }

    void StylusUp(int x, int y) {
        if (!m_stylusDown) return;
        m_stylusDown = false;
        MvStylusUp(x, y);
    }

    // The window shows the icon of the main window's class, once that window exists.
    void SetIconFromMainWindow() {
        HICON icon = nullptr;
        {
            Lock lk(CoreState().mutex);
            Window* main = WindowLocked(MainWindowLocked());
            if (main == nullptr) return;
            if (main->cls) icon = main->cls->icon;
        }
        m_iconSet = true;
        int width = 0;
        int height = 0;
        std::vector<uint32_t> pixels;
        if (!MvIconPixels(icon, &width, &height, &pixels)) return;
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), width, height, 32, width * 4,
                                                                  SDL_PIXELFORMAT_ARGB8888);
        if (surface == nullptr) return;
        SDL_SetWindowIcon(m_window, surface);
        SDL_FreeSurface(surface);
    }

    void Key(InputKind kind, UINT vk, bool ctrl, bool shift, bool noTranslate) {
        InputEvent ev;
        ev.kind = kind;
        ev.vk = vk;
        ev.ctrl = ctrl;
        ev.shift = shift;
        ev.noTranslate = noTranslate;
        Lock lk(CoreState().mutex);
        EnqueueInputLocked(ev);
    }

    void Shown(bool shown) {
        if (shown == m_shown) return;
        m_shown = shown;
        InputEvent ev;
        ev.kind = InputKind::Shown;
        ev.x = shown ? 1 : 0;
        Lock lk(CoreState().mutex);
        EnqueueInputLocked(ev);
    }

    void Handle(const SDL_Event& ev) {
        switch (ev.type) {
            case SDL_QUIT: {
                InputEvent close;
                close.kind = InputKind::Close;
                Lock lk(CoreState().mutex);
                EnqueueInputLocked(close);
                break;
            }
            case SDL_WINDOWEVENT:
                if (ev.window.event == SDL_WINDOWEVENT_EXPOSED ||
                    ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                    m_force = true;
                if (ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                    ev.window.event == SDL_WINDOWEVENT_DISPLAY_CHANGED)
                    FollowWindowScale();
                // Minimized or hidden, nobody sees the window: the program is told as Win32 would.
                if (ev.window.event == SDL_WINDOWEVENT_MINIMIZED || ev.window.event == SDL_WINDOWEVENT_HIDDEN)
                    Shown(false);
                if (ev.window.event == SDL_WINDOWEVENT_RESTORED || ev.window.event == SDL_WINDOWEVENT_SHOWN ||
                    ev.window.event == SDL_WINDOWEVENT_MAXIMIZED)
                    Shown(true);
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (ev.button.button == SDL_BUTTON_LEFT && ev.button.which != SDL_TOUCH_MOUSEID &&
                    !m_finger) {
                    int x, y;
                    bool inside = FromMouse(ev.button.x, ev.button.y, &x, &y);
                    StylusDown(inside, x, y);
                    if (m_stylusDown) SDL_CaptureMouse(SDL_TRUE);
                }
                break;
            case SDL_MOUSEMOTION:
                if (ev.motion.which != SDL_TOUCH_MOUSEID && !m_finger) {
                    int x, y;
                    FromMouse(ev.motion.x, ev.motion.y, &x, &y);
                    StylusMove(x, y);
                }
                break;
            case SDL_MOUSEBUTTONUP:
                if (ev.button.button == SDL_BUTTON_LEFT && ev.button.which != SDL_TOUCH_MOUSEID &&
                    !m_finger) {
                    int x, y;
                    FromMouse(ev.button.x, ev.button.y, &x, &y);
                    SDL_CaptureMouse(SDL_FALSE);
                    StylusUp(x, y);
                }
                break;
            // The first finger down is the stylus until it lifts; other fingers are ignored.
            case SDL_FINGERDOWN:
                if (!m_stylusDown) {
                    int x, y;
                    bool inside = FromFinger(ev.tfinger.x, ev.tfinger.y, &x, &y);
                    StylusDown(inside, x, y);
                    m_finger = m_stylusDown;
                    m_fingerId = ev.tfinger.fingerId;
                }
                break;
            case SDL_FINGERMOTION:
                if (m_finger && ev.tfinger.fingerId == m_fingerId) {
                    int x, y;
                    FromFinger(ev.tfinger.x, ev.tfinger.y, &x, &y);
                    StylusMove(x, y);
                }
                break;
            case SDL_FINGERUP:
                if (m_finger && ev.tfinger.fingerId == m_fingerId) {
                    int x, y;
                    FromFinger(ev.tfinger.x, ev.tfinger.y, &x, &y);
                    m_finger = false;
                    StylusUp(x, y);
                }
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                SDL_Keycode key = ev.key.keysym.sym;
                if (key == SDLK_F1 || key == SDLK_F2) {
                    if (ev.type == SDL_KEYDOWN && !ev.key.repeat) MvSoftKey(key == SDLK_F1 ? 0 : 1);
                    break;
                }
                UINT vk = VirtualKey(key);
                if (vk == 0) break;
                bool ctrl = (ev.key.keysym.mod & KMOD_CTRL) != 0;
                // Printable keys arrive again as SDL text input, which becomes WM_CHAR.
                bool printable = !ctrl && ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9') || vk == ' ');
                bool shift = (ev.key.keysym.mod & KMOD_SHIFT) != 0;
                Key(ev.type == SDL_KEYDOWN ? InputKind::KeyDown : InputKind::KeyUp, vk, ctrl, shift,
                    printable);
                break;
            }
            case SDL_TEXTINPUT:
                MvTypeText(Utf8ToWide(ev.text.text));
                break;
            default:
                break;
        }
    }

    std::string m_initError;
    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    int m_textureWidth = 0;
    int m_textureHeight = 0;
    Uint32 m_wakeEvent = static_cast<Uint32>(-1);
    int64_t m_lastPresent = 0;
    bool m_pending = false;
    bool m_force = false;
    bool m_stylusDown = false;
    bool m_finger = false;  // the stylus that is down is a finger
    bool m_shown = true;    // the window as the program was last told (minimized or hidden: false)
    SDL_FingerID m_fingerId = 0;
    bool m_iconSet = false;
};

}  // namespace

std::unique_ptr<DisplayBackend> CreateSdlDisplay() {
    return std::make_unique<SdlDisplay>();
}

}  // namespace mv
