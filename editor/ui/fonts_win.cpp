#include "editor/ui/fonts_win.h"

namespace kvr::ui {

HFONT CreateEditorFont(bool bold) {
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(825, GetDeviceCaps(screen, LOGPIXELSY), 7200);
    ReleaseDC(nullptr, screen);
    return CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       "MS Sans Serif");
}

}  // namespace kvr::ui
