// The platform's own controls, beyond the Win32 subset: display backend, manual clock,
// input injection, framebuffer access and scripted headless runs. Used by main() and by tests;
// the program's logic needs only MvCheckPrivateFolder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win_types.h"

// Screen geometry of the target device.
#define MV_SCREEN_WIDTH 480
#define MV_SCREEN_HEIGHT 800
#define MV_TASKBAR_HEIGHT 52
#define MV_MENUBAR_HEIGHT 52

enum class MvDisplayKind { Headless, Sdl };

struct MvPlatformOptions {
    // Display backend; by default taken from MOVIMETRA_DISPLAY ("sdl" or "headless"),
    // else sdl when a display is available, otherwise headless.
    bool displayFromEnvironment = true;
    MvDisplayKind display = MvDisplayKind::Headless;
    // Manual clock: time moves only through MvAdvanceClock. Also set by MOVIMETRA_CLOCK=manual.
    bool manualClock = false;
    // Local start time of the manual clock, as seconds since 1970-01-01 00:00:00 local time;
    // 0 means the real current time. MOVIMETRA_CLOCK_START="YYYY-MM-DD HH:MM:SS" sets it too.
    int64_t manualStartLocalSeconds = 0;
    // Overrides GetModuleFileNameW (tests put the program in a temporary folder). Empty: real path.
    std::string modulePath;
    // Input script for headless runs (text of the script); empty: MOVIMETRA_SCRIPT names a file.
    std::string script;
};

// Sets up the platform; called once per process before WinMain (main() does it).
void MvPlatformInit(const MvPlatformOptions& options);
// Releases the display and the sensor; called after WinMain returns.
void MvPlatformShutdown();
MvDisplayKind MvGetDisplayKind();

// Clock control (manual clock only). Advances the clock by ms, in order of events: at every
// moment when a timer falls due or a sleeping thread wakes, the woken threads run until they
// sleep again (messages they send to the UI thread are handled meanwhile), queued messages are
// dispatched and due timers fire. Must be called on the UI thread.
void MvAdvanceClock(DWORD ms);
bool MvIsManualClock();
// Current local time of the platform clock as seconds since 1970-01-01 local.
int64_t MvLocalSeconds();
// Steps the manual clock's date and time of day by `seconds` (negative: back), as a user or
// network time setting the clock would. Ticks, timers and waits do not move. False (and
// nothing changes) on the real clock.
bool MvStepWallClock(int64_t seconds);

// Dispatches every message that is ready (sent, posted, input, paint, due timers) without
// waiting; returns false once WM_QUIT has been taken (its code is stored in *exitCode if given).
bool MvPumpMessages(int* exitCode = nullptr);

// Input injection in screen coordinates (0..479, 0..799), as the display backends deliver it.
void MvStylusDown(int x, int y);
void MvStylusMove(int x, int y);
void MvStylusUp(int x, int y);
void MvTap(int x, int y);
void MvKey(UINT vk, bool ctrl = false, bool shift = false);  // key down and up
void MvSoftKey(int which);                                   // 0 left, 1 right (as F1/F2)
// The display's window minimized or hidden (false) or shown again (true), as the desktop tells it.
void MvWindowShown(bool shown);
void MvTypeText(const std::wstring& text);  // WM_CHAR to the focused window

// Framebuffer: 0x00RRGGBB pixel of the screen, and PNG snapshots.
// The screen is drawn at the display's device scale S (MvDeviceScale): program pixel (x, y)
// covers device pixels from round(x*S) up to round((x+1)*S). MvGetScreenPixel and
// MvFramebufferCopy answer in program pixels with the device pixel at each one's top-left corner;
// MvGetScreenDevicePixel reads device pixels (0 outside the screen).
uint32_t MvGetScreenPixel(int x, int y);
uint32_t MvGetScreenDevicePixel(int x, int y);
// The device scale S (1 until a display sets another; the headless display takes
// MOVIMETRA_SCALE). Setting a new one (1 to 8) makes a new, black framebuffer, drops the decoded
// images (they are made again at the new scale) and asks every window to paint again; bitmaps
// made before keep their scale and are drawn resampled.
double MvDeviceScale();
void MvSetDeviceScale(double scale);
// Copies the whole screen (480*800 pixels, 0x00RRGGBB, row by row) under the drawing lock: for a
// backend that presents from another thread, and for tests that compare whole screens.
void MvFramebufferCopy(uint32_t* out);
// The device pixels of the whole screen (0x00RRGGBB, row by row) and their width and height.
void MvFramebufferCopyDevice(std::vector<uint32_t>* out, int* width, int* height);
bool MvSaveScreenshot(const std::string& pngPath);

// Scripted runs: lines of "tap X Y", "press X Y", "move X Y", "release X Y",
// "softkey left|right", "key NAME" (F1, F2, ENTER, BACK, ESC, CTRL+Q, ...), "type TEXT",
// "wait MS", "clock SECONDS", "shot FILE.png", "call NAME", "quit"; '#' starts a comment. When the
// message queue runs dry, GetMessageW takes the next step. "clock SECONDS" steps the wall clock
// (MvStepWallClock). "call NAME" runs a hook registered by a test.
bool MvSetScript(const std::string& scriptText, std::string* error = nullptr);
void MvRegisterScriptHook(const std::string& name, std::function<void()> hook);
// Waits until the calls to the desktop made so far (bus calls, vibration, notifications; they run
// on the platform's desktop thread) were made, at most `timeoutMs`; true when they were.
bool MvDesktopDrain(int timeoutMs);
// Observes every message handed to a window procedure (tests); nullptr removes it.
void MvSetMessageObserver(std::function<void(HWND, UINT, WPARAM, LPARAM)> observer);

// What the shell shows, for tests that drive the whole program.
// The message box's window class; whether a box is up, and ending the innermost one with IDOK or
// IDCANCEL as a tap on its button would.
#define MV_MSGBOX_CLASS L"MvMessageBox"
bool MvMessageBoxActive();
bool MvMessageBoxEnd(int result);
// The input panel's window, if it exists.
HWND MvInputPanelWindow();
// Notification icons on the task bar.
int MvNotificationCount();

// For folders that keep personal data (Win32 has no call for a folder's owner and mode): follows
// symbolic links to the folder `path` names, stores its real path (with no trailing slash) in *resolved and
// returns null when it is a folder owned by this user that neither group nor others may write (group write
// is accepted where the group is the user's private group: MvIsUsersPrivateGroup). Otherwise a
// short English reason ("is not a folder", "belongs to another user", "may be written by group or others") or
// the system's error text.
const char* MvCheckPrivateFolder(LPCWSTR path, std::wstring* resolved);
