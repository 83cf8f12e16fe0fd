// Drives the Find & Replace dialog from inside its modal loop: the steps of a script run
// one per tick of a thread timer. WM_TIMER comes only when the queue is empty, so what one
// step posts (a key press) is handled before the next step looks.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "editor/ui/replace_dialog_win.h"

namespace kvr::test {

using DialogStep = std::function<void(HWND dialog)>;

class DialogScript {
public:
    explicit DialogScript(std::vector<DialogStep> steps) : steps_(std::move(steps)) {
        current() = this;
        timer_ = SetTimer(nullptr, 0, 10, &DialogScript::tick);
    }
    ~DialogScript() {
        KillTimer(nullptr, timer_);
        current() = nullptr;
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    bool finished() const { return next_ == steps_.size(); }

private:
    static DialogScript*& current() {
        static DialogScript* script = nullptr;
        return script;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        DialogScript* self = current();
        if (self == nullptr) return;
        HWND dialog = kvr::ui::ReplaceDialogWindow();
        if (dialog == nullptr || !IsWindowVisible(dialog)) return;  // not open yet
        if (self->next_ < self->steps_.size()) {
            const DialogStep& step = self->steps_[self->next_++];
            step(dialog);
            return;
        }
        // Every step ran and the dialog is still shown: close it so the test cannot hang.
        if (++self->idle_ticks_ == 100) {
            ADD_FAILURE() << "the dialog stayed open after its script";
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        }
    }

    std::vector<DialogStep> steps_;
    size_t next_ = 0;
    int idle_ticks_ = 0;
    UINT_PTR timer_ = 0;
};

// A user's actions on the dialog's controls.
inline HWND DialogItem(HWND dialog, int id) { return GetDlgItem(dialog, id); }

// Picks a list entry as the user would: the selection, then the notification it causes.
inline void ChooseType(HWND dialog, int list, int code) {
    SendMessageA(DialogItem(dialog, list), CB_SETCURSEL, static_cast<WPARAM>(code), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(DialogItem(dialog, list)));
}

inline void Click(HWND dialog, int id) { SendMessageA(DialogItem(dialog, id), BM_CLICK, 0, 0); }

// A key press to the control with the focus, through the modal loop's message queue.
inline void PressKey(UINT key) {
    HWND focus = GetFocus();
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
}

// What the program's main loop does between two clicks: handle what comes in for a while
// (under Wine the display's focus events arrive a little later).
inline void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

}  // namespace kvr::test
