#include "editor/ui/picture_box_win.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "editor/picture/pcx.h"

namespace {

// A tile picture is 70 KB or so; this only keeps a wrong file from exhausting memory.
constexpr LONGLONG kMaxFileBytes = 64LL * 1024 * 1024;
// Whole-factor enlargements are made once, at load or scale time, so that painting is a
// plain copy and every picture pixel covers exactly factor × factor screen pixels. Above
// this size the picture is stretched while painting instead.
constexpr std::size_t kMaxScaledPixels = std::size_t{16} * 1024 * 1024;
constexpr float kMinPercent = 1.0f;
constexpr float kMaxPercent = 1600.0f;

HINSTANCE g_class_instance = nullptr;

struct PictureBoxState {
    kvr::pcx::Image picture;  // as loaded
    kvr::pcx::Image scaled;   // picture enlarged by a whole factor; empty when stretched instead
    float percent = 100.0f;
    int shown_width = 0;      // size on screen; 0 without a picture
    int shown_height = 0;
};

PictureBoxState* state_of(HWND box) {
    if (box == nullptr) return nullptr;
    char name[32];
    if (GetClassNameA(box, name, sizeof name) == 0 || lstrcmpiA(name, kPictureBoxClassName) != 0) return nullptr;
    return reinterpret_cast<PictureBoxState*>(GetWindowLongPtrA(box, GWLP_USERDATA));
}

std::string error_text(DWORD code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n ? std::string(text, n) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.')) {
        out.pop_back();
    }
    return out;
}

bool read_whole_file(const char* path, std::vector<std::uint8_t>& out, std::string& reason) {
    // No "insert a disk" box from the system for an empty drive: the caller reports the failure.
    const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    const DWORD open_error = GetLastError();
    SetErrorMode(old_mode);
    if (file == INVALID_HANDLE_VALUE) {
        reason = std::string(path) + ": " + error_text(open_error);
        return false;
    }
    bool ok = false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        reason = std::string(path) + ": " + error_text(GetLastError());
    } else if (size.QuadPart > kMaxFileBytes) {
        reason = std::string(path) + ": larger than any picture this program shows";
    } else {
        try {
            out.assign(static_cast<std::size_t>(size.QuadPart), 0);
            std::size_t done = 0;
            ok = true;
            while (done < out.size()) {
                DWORD got = 0;
                const DWORD want = static_cast<DWORD>(out.size() - done);
                if (!ReadFile(file, out.data() + done, want, &got, nullptr)) {
                    reason = std::string(path) + ": " + error_text(GetLastError());
                    ok = false;
                    break;
                }
                if (got == 0) {  // the file shrank while being read
                    out.resize(done);
                    break;
                }
                done += got;
            }
        } catch (const std::bad_alloc&) {
            reason = std::string(path) + ": not enough memory";
            ok = false;
        }
    }
    CloseHandle(file);
    return ok;
}

// Recomputes the shown size and the enlarged copy after a load or a scale change.
void update_shown(PictureBoxState& s) {
    s.scaled = kvr::pcx::Image{};
    if (s.picture.pixels.empty()) {
        s.shown_width = s.shown_height = 0;
        return;
    }
    const double factor = static_cast<double>(s.percent) / 100.0;
    s.shown_width = std::max(1, static_cast<int>(std::lround(s.picture.width * factor)));
    s.shown_height = std::max(1, static_cast<int>(std::lround(s.picture.height * factor)));
    const int whole = static_cast<int>(factor);
    if (whole < 2 || whole != factor) return;
    const std::size_t pixels = static_cast<std::size_t>(s.shown_width) * static_cast<std::size_t>(s.shown_height);
    if (pixels > kMaxScaledPixels) return;
    try {
        s.scaled = kvr::pcx::scale(s.picture, whole);
    } catch (const std::bad_alloc&) {
        s.scaled = kvr::pcx::Image{};  // painting stretches the picture instead
    }
}

void paint_box(HWND box, HDC dc) {
    RECT client{};
    GetClientRect(box, &client);
    const PictureBoxState* s = state_of(box);
    int w = 0;
    int h = 0;
    if (s != nullptr && !s->picture.pixels.empty()) {
        const kvr::pcx::Image& src = s->scaled.pixels.empty() ? s->picture : s->scaled;
        w = s->shown_width;
        h = s->shown_height;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = src.width;
        info.bmiHeader.biHeight = -src.height;  // top row first, as decoded
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;         // 0x00RRGGBB is a 32-bit DIB pixel as it stands
        info.bmiHeader.biCompression = BI_RGB;
        // Nearest neighbour for sizes that are no whole multiple; a plain copy otherwise.
        const int old_mode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, 0, 0, w, h, 0, 0, src.width, src.height, src.pixels.data(), &info, DIB_RGB_COLORS,
                      SRCCOPY);
        SetStretchBltMode(dc, old_mode);
    }
    // White around the picture only, so that nothing flickers.
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    const RECT right{std::min<LONG>(w, client.right), 0, client.right, client.bottom};
    const RECT below{0, std::min<LONG>(h, client.bottom), right.left, client.bottom};
    if (right.left < right.right) FillRect(dc, &right, white);
    if (below.top < below.bottom && below.left < below.right) FillRect(dc, &below, white);
}

int shift_state(WPARAM keys) {
    int shift = 0;
    if (keys & MK_SHIFT) shift |= kPictureShiftShift;
    if (keys & MK_CONTROL) shift |= kPictureShiftCtrl;
    if (GetKeyState(VK_MENU) < 0) shift |= kPictureShiftAlt;
    return shift;
}

void notify_mouse(HWND box, UINT code, int button, WPARAM keys, LPARAM where) {
    PictureBoxMouse m{};
    m.hdr.hwndFrom = box;
    m.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(box));
    m.hdr.code = code;
    m.button = button;
    m.shift = shift_state(keys);
    m.x = GET_X_LPARAM(where);
    m.y = GET_Y_LPARAM(where);
    SendMessageA(GetParent(box), WM_NOTIFY, m.hdr.idFrom, reinterpret_cast<LPARAM>(&m));
}

void button_down(HWND box, int button, WPARAM keys, LPARAM where) {
    // The release belongs to the control that saw the press, even outside it.
    SetCapture(box);
    notify_mouse(box, PBN_MOUSEDOWN, button, keys, where);
}

void button_up(HWND box, int button, WPARAM keys, LPARAM where) {
    if (GetCapture() == box && (keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) ReleaseCapture();
    notify_mouse(box, PBN_MOUSEUP, button, keys, where);
}

LRESULT CALLBACK picture_box_proc(HWND box, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE: {
        auto* s = new (std::nothrow) PictureBoxState;
        if (s == nullptr) return FALSE;
        SetWindowLongPtrA(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
        break;
    }
    case WM_NCDESTROY:
        delete reinterpret_cast<PictureBoxState*>(GetWindowLongPtrA(box, GWLP_USERDATA));
        SetWindowLongPtrA(box, GWLP_USERDATA, 0);
        break;
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(box, &ps);
        paint_box(box, dc);
        EndPaint(box, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        paint_box(box, reinterpret_cast<HDC>(wp));
        return 0;
    case WM_LBUTTONDOWN: button_down(box, kPictureButtonLeft, wp, lp); return 0;
    case WM_RBUTTONDOWN: button_down(box, kPictureButtonRight, wp, lp); return 0;
    case WM_MBUTTONDOWN: button_down(box, kPictureButtonMiddle, wp, lp); return 0;
    case WM_LBUTTONUP: button_up(box, kPictureButtonLeft, wp, lp); return 0;
    case WM_RBUTTONUP: button_up(box, kPictureButtonRight, wp, lp); return 0;
    case WM_MBUTTONUP: button_up(box, kPictureButtonMiddle, wp, lp); return 0;
    default:
        break;
    }
    return DefWindowProcA(box, msg, wp, lp);
}

}  // namespace

bool RegisterPictureBoxClass(HINSTANCE instance) {
    if (g_class_instance != nullptr) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = picture_box_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;  // painted in WM_PAINT
    wc.lpszClassName = kPictureBoxClassName;
    if (RegisterClassExA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    g_class_instance = instance;
    return true;
}

HWND CreatePictureBox(HWND parent, int id, int left, int top, int width, int height) {
    if (g_class_instance == nullptr && !RegisterPictureBoxClass(GetModuleHandleA(nullptr))) return nullptr;
    // Clipped by its siblings: the object markers lie above it.
    return CreateWindowExA(0, kPictureBoxClassName, "", WS_CHILD | WS_CLIPSIBLINGS, left, top, width, height,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_class_instance, nullptr);
}

bool PictureBox_LoadFile(HWND box, const char* path, std::string* reason) {
    std::string why;
    PictureBoxState* s = state_of(box);
    bool ok = false;
    if (s == nullptr) {
        why = "not a picture control";
    } else if (path == nullptr || *path == '\0') {
        why = "no file name";
    } else {
        std::vector<std::uint8_t> data;
        if (read_whole_file(path, data, why)) {
            try {
                kvr::pcx::Image image;
                if (kvr::pcx::decode(data.data(), data.size(), image, why)) {
                    s->picture = std::move(image);
                    update_shown(*s);
                    InvalidateRect(box, nullptr, FALSE);
                    ok = true;
                } else {
                    why = std::string(path) + ": " + why;
                }
            } catch (const std::bad_alloc&) {
                why = std::string(path) + ": not enough memory";
            }
        }
    }
    if (!ok && reason != nullptr) *reason = why;
    return ok;
}

void PictureBox_SetScale(HWND box, float percent) {
    PictureBoxState* s = state_of(box);
    if (s == nullptr || !(percent >= kMinPercent && percent <= kMaxPercent)) return;
    s->percent = percent;
    update_shown(*s);
    InvalidateRect(box, nullptr, FALSE);
}
