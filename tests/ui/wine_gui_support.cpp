#include "wine_gui_support.h"

#include <algorithm>
#include <cstdio>

namespace kvr::test {

std::string wine_path(const std::string& linux_path) {
    std::string out = "Z:" + linux_path;
    for (char& c : out) {
        if (c == '/') c = '\\';
    }
    return out;
}

namespace {

void delete_tree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                delete_tree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

std::string fresh_folder(const std::string& name) {
    const std::string base = wine_path(KVR_BINARY_DIR "/testtmp");
    CreateDirectoryA(base.c_str(), nullptr);
    const std::string ui = base + "\\ui";
    CreateDirectoryA(ui.c_str(), nullptr);
    const std::string folder = ui + "\\" + name;
    delete_tree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    std::uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return true;
}

bool file_exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::uint8_t> make_pcx(int width, int height, const std::function<std::uint8_t(int, int)>& index,
                                   const std::vector<std::uint32_t>& palette) {
    const int bytes_per_line = width + (width & 1);
    std::vector<std::uint8_t> out(128, 0);
    out[0] = 10;  // manufacturer
    out[1] = 5;   // version
    out[2] = 1;   // run-length encoded
    out[3] = 8;   // bits per pixel
    auto put16 = [&](size_t at, int value) {
        out[at] = static_cast<std::uint8_t>(value & 0xFF);
        out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    };
    put16(8, width - 1);
    put16(10, height - 1);
    put16(12, 72);
    put16(14, 72);
    out[65] = 1;  // planes
    put16(66, bytes_per_line);
    put16(68, 1);
    for (int y = 0; y < height; ++y) {
        std::vector<std::uint8_t> line(static_cast<size_t>(bytes_per_line), 0);
        for (int x = 0; x < width; ++x) line[static_cast<size_t>(x)] = index(x, y);
        for (size_t i = 0; i < line.size();) {
            size_t run = 1;
            while (i + run < line.size() && run < 63 && line[i + run] == line[i]) ++run;
            if (run > 1 || line[i] >= 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 | run));
            out.push_back(line[i]);
            i += run;
        }
    }
    out.push_back(0x0C);
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t c = i < static_cast<int>(palette.size()) ? palette[static_cast<size_t>(i)] : 0;
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c));
    }
    return out;
}

SeenBox read_message_box(HWND box) {
    SeenBox seen;
    char text[1024] = {};
    GetWindowTextA(box, text, sizeof text);
    seen.title = text;
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen.text = text;
    seen.has_ok = GetDlgItem(box, IDOK) != nullptr;
    seen.has_yes = GetDlgItem(box, IDYES) != nullptr;
    seen.has_no = GetDlgItem(box, IDNO) != nullptr;
    seen.has_cancel = GetDlgItem(box, IDCANCEL) != nullptr;
    // The default button is the one drawn as such.
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        HWND button = GetDlgItem(box, id);
        if (button && (GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) seen.default_id = id;
    }
    // The box's icon is a static control of the icon kind (its ID differs between systems).
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = {};
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, "Static") != 0 || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
        const auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        if (icon && icon == LoadIcon(nullptr, IDI_HAND)) seen.stop_icon = true;
    }
    return seen;
}

namespace {
ModalAnswerer* g_answerer = nullptr;

struct Collected {
    const std::string* window_class;
    std::vector<HWND> windows;
};

BOOL CALLBACK collect_window(HWND window, LPARAM param) {
    auto* collected = reinterpret_cast<Collected*>(param);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (*collected->window_class == name && IsWindowVisible(window)) collected->windows.push_back(window);
    return TRUE;
}
}  // namespace

ModalAnswerer::ModalAnswerer(std::function<void(HWND)> act, std::string window_class)
    : act_(std::move(act)), window_class_(std::move(window_class)) {
    g_answerer = this;
    timer_ = SetTimer(nullptr, 0, 20, &ModalAnswerer::on_timer);
}

ModalAnswerer::~ModalAnswerer() {
    KillTimer(nullptr, timer_);
    g_answerer = nullptr;
}

void CALLBACK ModalAnswerer::on_timer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_answerer) g_answerer->look();
}

void ModalAnswerer::look() {
    Collected collected{&window_class_, {}};
    EnumThreadWindows(GetCurrentThreadId(), collect_window, reinterpret_cast<LPARAM>(&collected));
    for (HWND dialog : collected.windows) {
        if (!handled_.insert(dialog).second) continue;
        ++seen_;
        act_(dialog);
    }
}

MessageBoxAnswers::MessageBoxAnswers(std::vector<int> b)
    : buttons(std::move(b)), answerer([this](HWND box) {
          const int button = buttons[std::min(boxes.size(), buttons.size() - 1)];
          boxes.push_back(read_message_box(box));
          PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
      }) {}

void pump_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void drop_quit_message() {
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

std::uint32_t rgb_of(COLORREF colour) {
    return (static_cast<std::uint32_t>(GetRValue(colour)) << 16) | (static_cast<std::uint32_t>(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

namespace {

std::vector<std::uint32_t> dib_pixels(const std::function<void(HDC)>& draw, int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw(dc);
    GdiFlush();
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    const auto* source = static_cast<const std::uint32_t*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = source[i] & 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

}  // namespace

std::vector<std::uint32_t> client_pixels(HWND window, int width, int height) {
    return dib_pixels(
        [&](HDC dc) { SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND); },
        width, height);
}

std::vector<std::uint32_t> screen_pixels(int left, int top, int width, int height) {
    return dib_pixels(
        [&](HDC dc) {
            HDC screen = GetDC(nullptr);
            BitBlt(dc, 0, 0, width, height, screen, left, top, SRCCOPY);
            ReleaseDC(nullptr, screen);
        },
        width, height);
}

RECT child_rect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace kvr::test
