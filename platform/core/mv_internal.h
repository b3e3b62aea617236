// Interfaces between the parts of the platform layer (window manager, drawing, shell chrome,
// display backends, devices). Not for the program.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mv_platform.h"
#include "platform/win_resources.h"
#include "platform/win_types.h"

// ---- Framebuffer (drawing) -------------------------------------------------------------
// The one screen: 480x800 program pixels drawn at the device scale S into round(480*S) x
// round(800*S) device pixels, 32 bits per pixel 0x00RRGGBB (cairo RGB24), black at start.
// Device pixels, row after row (stride: the device width).
uint32_t* MvFramebufferData();
// The same pixels for a display whose format ignores the top byte (XRGB): it may hold alpha bits
// that cairo left where it drew, which MvFramebufferData would first clear.
const uint32_t* MvFramebufferDisplayData();
// The framebuffer's size in device pixels.
void MvFramebufferDeviceSize(int* width, int* height);
// MvDeviceScale and MvSetDeviceScale (the display backends set the scale) are in
// platform/mv_platform.h.
// MvFramebufferCopy (the whole screen under the drawing lock) is in platform/mv_platform.h.
// Drawing marks the framebuffer changed; the display backend takes the flag when it presents.
void MvFramebufferMarkDirty();
bool MvFramebufferTakeDirty();
// Writes the device pixels.
bool MvFramebufferWritePng(const std::string& path);
// Bitmaps and icons from PNG bytes (resources).
HBITMAP MvCreateBitmapFromPng(const unsigned char* data, size_t size);
HICON MvCreateIconFromPng(const unsigned char* data, size_t size);
// A bitmap of a resource image, decoded once per registered resource module and shared (copied
// on the first drawing onto it). The cache is emptied when another module is registered.
// The variant drawn at the smallest factor >= S is taken (drawn at its size in program pixels).
HBITMAP MvCreateResourceBitmap(const MV_RES_IMAGE* image);
// An icon of a resource: its 1x pixels, and for drawing the variant that suits S.
HICON MvCreateResourceIcon(const MV_RES_IMAGE* image);
void MvForgetResourceBitmaps();
// An icon's pixels as straight (not premultiplied) 0xAARRGGBB, row by row; false for no icon.
bool MvIconPixels(HICON icon, int* width, int* height, std::vector<uint32_t>* pixels);
// Draws an icon (its PNG, alpha respected) at (x, y) of a DC, scaled to width x height.
void MvDrawIcon(HDC hdc, HICON icon, int x, int y, int width, int height);

// ---- Window manager (windows and messages) ---------------------------------------------------
// Screen rectangle of a window.
bool MvWindowScreenRect(HWND hWnd, RECT* rect);
// Areas of the screen where the window may draw: its rectangle, clipped to its ancestors, minus
// its visible children and the visible siblings (and their subtrees) above it, and minus visible
// top-level windows above its top-level ancestor. Empty when the window or an ancestor is hidden.
void MvWindowVisibleRects(HWND hWnd, std::vector<RECT>* rects);
// The visible window that receives stylus input at a screen point (deepest child, topmost first).
HWND MvWindowFromPoint(int x, int y);
// The thread that owns every window (the one that called MvPlatformInit).
bool MvIsUiThread();
// Posts a message stamped with `time` (GetTickCount ms; GetMessageTime answers it to the handler).
// With `wakeAfterMs` 0 it wakes the UI thread as PostMessageW does. Otherwise the thread is woken
// only once posted messages have waited that long (counted from the first post into an empty
// queue, or from a message's own `time` if that is earlier): until then they are handled, in order, when
// it wakes for anything else (a timer, input), so that a steady stream of posts adds no wakes of
// its own to a thread that wakes often anyway.
BOOL MvPostMessageAt(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD time, DWORD wakeAfterMs);
// Drops the posted messages `msg` of a window (any window for null) that were not taken yet.
void MvRemovePostedMessages(HWND hWnd, UINT msg);
// Class name of a window.
std::wstring MvWindowClassName(HWND hWnd);

// ---- Shell chrome ------------------------------------------------------------------------------
// Registers the platform's own window classes ("HHTaskBar", the soft-key bar, "edit", the message
// box and the input panel) and creates the task bar window along rows 0-51.
void MvShellInit(HINSTANCE hInstance);
// Presses soft key 0 (left) or 1 (right) of the topmost visible soft-key bar, as a tap would.
bool MvShellPressSoftKey(int which);

// ---- Devices -----------------------------------------------------------------------------------
// Stops the sensor thread, if any (process end).
void MvSensorShutdown();
// Releases the sleep inhibitor, if held, and forgets that its lack was said: the next run of the
// program in this process says it again (platform shutdown).
void MvSleepInhibitorReset();
// Names the session bus in the environment before anything (SDL, GLib) looks for one: the
// user's bus socket when DBUS_SESSION_BUS_ADDRESS is unset, else "no bus", so that no library
// starts a bus of its own that would outlive the program (platform start).
void MvSessionBusPrepare();
// Stops following the screen saver and forgets the power-setting registrations (platform
// shutdown, before the session bus is dropped).
void MvDisplayStateShutdown();
// Lets the desktop thread's queued calls run for at most `graceMs`, then ends it (platform
// shutdown, before the bus connections are dropped).
void MvDesktopShutdown(int graceMs);
// A notification bubble on the desktop (SHNP_INFORM): shown, then replaced in place by later
// shows of the same key, and closed. A pressed action posts WM_COMMAND `command` to `sink`. Made on
// the desktop thread; these return at once.
struct MvBubbleAction {
    std::string key;
    std::string label;
    WPARAM command;
};
void MvDesktopBubbleShow(unsigned key, HWND sink, const std::string& summary, const std::string& body,
                         const std::vector<MvBubbleAction>& actions, bool silent);
void MvDesktopBubbleClose(unsigned key);
// Ends a blink of the vibrator still playing, motor off (platform shutdown, after the desktop
// thread ended).
void MvVibrationReset();
// Forgets the bubbles and the server's signals (platform shutdown, after the desktop thread ended).
void MvDesktopBubblesReset();
// Takes the program's bus object off the bus and forgets its state (platform shutdown, after the
// desktop thread ended).
void MvBusServiceReset();
// Drops the shared session-bus connection and forgets that its lack was said (platform shutdown).
void MvSessionBusShutdown();
// Looks whether the device was suspended since the last look (CLOCK_BOOTTIME ran ahead of
// CLOCK_MONOTONIC) and, if so, delivers PBT_RESUME to the registered queues. The sensor thread
// calls it with every reading.
void MvPowerCheckResume();
