// Shared by the Wine tests of the picture control and the folder lists: a parent window that
// records the notifications of its children, the message pump, and client-area captures.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "editor/ui/picture_box_win.h"

namespace controls_test {

// Everything the test parent received from its children, in order.
struct Received {
    std::vector<PictureBoxMouse> mice;
    std::vector<std::pair<int, int>> commands;  // control id, notification code
};

inline Received& received() {
    static Received r;
    return r;
}

inline LRESULT CALLBACK parent_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr->code == PBN_MOUSEDOWN || hdr->code == PBN_MOUSEUP) {
            received().mice.push_back(*reinterpret_cast<const PictureBoxMouse*>(lp));
        }
        return 0;
    }
    if (msg == WM_COMMAND && lp != 0) {
        received().commands.emplace_back(LOWORD(wp), HIWORD(wp));
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// A top-level window 800 × 600 (client) that records what its children tell it; `visible`
// puts it on the screen.
inline HWND make_parent(bool visible) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = parent_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "KvrControlsTestParent";
        registered = RegisterClassA(&wc) != 0;
    }
    RECT rc{0, 0, 800, 600};
    AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
    HWND hwnd = CreateWindowExA(0, "KvrControlsTestParent", "controls test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                0, 0, rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (hwnd && visible) {
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
    }
    received() = Received{};
    return hwnd;
}

inline void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The Windows name of a file of the build machine (Wine's Z: drive is its root).
inline std::string wine_path(std::string unix_path) {
    for (char& c : unix_path) {
        if (c == '/') c = '\\';
    }
    return "Z:" + unix_path;
}

// A window's client area as it paints itself into a memory bitmap (WM_PRINTCLIENT):
// 0x00RRGGBB pixels, top row first.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    bool operator==(const Capture&) const = default;
};

inline Capture capture_from(HWND hwnd, bool from_screen) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    Capture out;
    out.width = rc.right;
    out.height = rc.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = out.width;
    info.bmiHeader.biHeight = -out.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    // Something the control must paint over.
    const std::size_t count = static_cast<std::size_t>(out.width) * out.height;
    std::fill_n(static_cast<std::uint32_t*>(bits), count, 0x00123456u);
    if (from_screen) {
        HDC window_dc = GetDC(hwnd);
        BitBlt(dc, 0, 0, out.width, out.height, window_dc, 0, 0, SRCCOPY);
        ReleaseDC(hwnd, window_dc);
    } else {
        SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    }
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    out.pixels.assign(p, p + count);
    for (std::uint32_t& px : out.pixels) px &= 0x00FFFFFFu;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return out;
}

inline Capture capture_client(HWND hwnd) { return capture_from(hwnd, false); }

}  // namespace controls_test
