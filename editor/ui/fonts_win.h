// The one face of the editor's windows.
#pragma once

#include <windows.h>

namespace kvr::ui {

// 8.25-point "MS Sans Serif" at the screen's resolution (11 px high at 96 dpi), regular or bold;
// the windows' layouts are measured in it. The caller owns the font.
HFONT CreateEditorFont(bool bold);

}  // namespace kvr::ui
