// Window messages: numbers, the message record, and the functions that deliver them to the
// control behind a handle.
#pragma once

#include <cstdint>

using HWND = std::uint32_t; // a stable integer per windowed control; 0 is no window
using UINT = std::uint32_t;
using WORD = std::uint16_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

constexpr LPARAM MAKELPARAM(int lo, int hi) {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(hi) << 16) |
                               (static_cast<std::uint32_t>(lo) & 0xFFFF));
}
constexpr int LOWORD(LPARAM v) {
    return static_cast<std::int16_t>(v & 0xFFFF);
}
constexpr int HIWORD(LPARAM v) {
    return static_cast<std::int16_t>((v >> 16) & 0xFFFF);
}

enum : UINT {
    WM_NULL = 0x0000,
    WM_CREATE = 0x0001,
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_SETFOCUS = 0x0007,
    WM_KILLFOCUS = 0x0008,
    WM_ENABLE = 0x000A,
    WM_SETTEXT = 0x000C,
    WM_GETTEXT = 0x000D,
    WM_GETTEXTLENGTH = 0x000E,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_SHOWWINDOW = 0x0018,
    WM_NEXTDLGCTL = 0x0028,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_COMMAND = 0x0111,
    WM_SYSCOMMAND = 0x0112,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_USER = 0x0400,
    // The lookup request components send to their form (second parameter: the control).
    WM_F2LOOKUP = WM_USER + 10,

    CM_BASE = 0xB000,
    CM_ACTIVATE = CM_BASE + 0,
    CM_DEACTIVATE = CM_BASE + 1,
    CM_FOCUSCHANGED = CM_BASE + 7, // LParam: the control that received the focus
    CM_ENABLEDCHANGED = CM_BASE + 12,
    CM_FONTCHANGED = CM_BASE + 14,
    CM_TEXTCHANGED = CM_BASE + 18,
    CM_VISIBLECHANGED = CM_BASE + 22,
    CM_ENTER = CM_BASE + 27,
    CM_EXIT = CM_BASE + 28,
    CM_RELEASE = CM_BASE + 33,
};

// WM_SYSCOMMAND codes.
enum : WPARAM {
    SC_MINIMIZE = 0xF020,
    SC_MAXIMIZE = 0xF030,
    SC_CLOSE = 0xF060,
    SC_RESTORE = 0xF120
};

// Virtual key codes (letters and digits are their upper-case ASCII codes).
enum : WORD {
    VK_LBUTTON = 0x01,
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_NUMPAD0 = 0x60,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,
    VK_F2 = 0x71,
    VK_F3 = 0x72,
    VK_F4 = 0x73,
    VK_F5 = 0x74,
    VK_F6 = 0x75,
    VK_F7 = 0x76,
    VK_F8 = 0x77,
    VK_F9 = 0x78,
    VK_F10 = 0x79,
    VK_F11 = 0x7A,
    VK_F12 = 0x7B,
};

class TWinControl;

// The windowed control behind a handle, or null when there is none (any more).
TWinControl* FindControl(HWND handle);
bool IsWindow(HWND handle);
// Delivered at once to the control's message handling; 0 when the handle is gone.
LRESULT SendMessage(HWND handle, UINT msg, WPARAM wParam, LPARAM lParam);
// Queued through the event loop and delivered in posting order; false when the handle is
// gone. Application->ProcessMessages() delivers what is queued.
bool PostMessage(HWND handle, UINT msg, WPARAM wParam, LPARAM lParam);
