// Helpers for the editor's Wine tests: folders of their own, PCX pictures made on the spot,
// answering modal boxes and dialogs from inside their modal loops, reading pixels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace kvr::test {

// "Z:\..." for a Linux path.
std::string wine_path(const std::string& linux_path);

// A fresh, empty folder under the build tree, as a Windows path without trailing backslash.
std::string fresh_folder(const std::string& name);

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes);
bool file_exists(const std::string& path);

// An 8-bit PCX picture with a 256-colour palette; `index(x, y)` gives each pixel's palette
// index and `palette[i]` is 0x00RRGGBB.
std::vector<std::uint8_t> make_pcx(int width, int height, const std::function<std::uint8_t(int, int)>& index,
                                   const std::vector<std::uint32_t>& palette);

// What a message box showed.
struct SeenBox {
    std::string title;
    std::string text;
    bool has_ok = false, has_yes = false, has_no = false, has_cancel = false;
    int default_id = 0;
    bool stop_icon = false;
};
SeenBox read_message_box(HWND box);

// While alive, looks every 20 ms (a thread timer, which runs inside modal loops too) for a
// visible top-level window of this thread of the given class (dialog boxes by default) and
// hands each new one to `act`, which answers it, for example by posting WM_COMMAND with the
// button to press.
class ModalAnswerer {
public:
    explicit ModalAnswerer(std::function<void(HWND dialog)> act, std::string window_class = "#32770");
    ~ModalAnswerer();
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;
    int seen() const { return seen_; }

private:
    static void CALLBACK on_timer(HWND, UINT, UINT_PTR, DWORD);
    void look();
    std::function<void(HWND)> act_;
    std::string window_class_;
    std::set<HWND> handled_;
    UINT_PTR timer_ = 0;
    int seen_ = 0;
};

// Answers the message boxes in turn with `buttons` (the last one for every box after them)
// and keeps what each one showed.
struct MessageBoxAnswers {
    explicit MessageBoxAnswers(int button) : MessageBoxAnswers(std::vector<int>{button}) {}
    explicit MessageBoxAnswers(std::vector<int> buttons);
    std::vector<SeenBox> boxes;
    std::vector<int> buttons;
    ModalAnswerer answerer;
};

// Handles the messages waiting for this thread (paints included).
void pump_messages();
// Removes a WM_QUIT that closing a main window left in the queue.
void drop_quit_message();

// The pixels of a window's client area as it paints itself (WM_PRINTCLIENT), 0x00RRGGBB.
std::vector<std::uint32_t> client_pixels(HWND window, int width, int height);
// The pixels of a screen area (the window must be shown and on top).
std::vector<std::uint32_t> screen_pixels(int left, int top, int width, int height);
std::uint32_t rgb_of(COLORREF colour);

// Place of a child window in its parent's client area.
RECT child_rect(HWND child);

}  // namespace kvr::test
