#include "editor/ui/marker_win.h"

#include <cmath>

#include "editor/ui/marker_pictures.h"

namespace kvr::ui {

namespace {

const char kMarkerClass[] = "KvrMarker";

struct MarkerState {
    bool selected = false;
    MarkerPlace place;
    bool has_indicator = false;
    IndicatorEnd indicator;
};

MarkerState* state_of(HWND marker) {
    return reinterpret_cast<MarkerState*>(GetWindowLongPtrA(marker, GWLP_USERDATA));
}

// Window pixels are whole; the kept place is not.
int to_pixel(float value) { return static_cast<int>(std::lround(value)); }

void paint(HWND marker, HDC dc) {
    const MarkerState* s = state_of(marker);
    if (!s) return;
    const int size = marker_size(s->selected);
    RECT all = {0, 0, size, size};
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            if (marker_pixel(s->selected, row, column)) SetPixelV(dc, column, row, RGB(255, 0, 0));
        }
    }
    if (s->has_indicator) {
        HPEN pen = CreatePen(PS_SOLID, 2, kIndicatorColour);
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, kIndicatorCentre, kIndicatorCentre, nullptr);
        LineTo(dc, static_cast<int>(std::lround(s->indicator.x)), static_cast<int>(std::lround(s->indicator.y)));
        SelectObject(dc, old);
        DeleteObject(pen);
    }
}

LRESULT CALLBACK marker_proc(HWND marker, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrA(marker, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new MarkerState));
        break;
    case WM_NCDESTROY:
        delete state_of(marker);
        SetWindowLongPtrA(marker, GWLP_USERDATA, 0);
        break;
    case WM_ERASEBKGND:
        return 1;  // paint() covers every pixel
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(marker, &ps);
        paint(marker, dc);
        EndPaint(marker, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        paint(marker, reinterpret_cast<HDC>(wparam));
        return 0;
    case WM_RBUTTONUP:
        SendMessageA(GetParent(marker), WM_COMMAND,
                     MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(marker)), MKN_RBUTTONUP),
                     reinterpret_cast<LPARAM>(marker));
        return 0;
    }
    return DefWindowProcA(marker, message, wparam, lparam);
}

void move_window(HWND marker, HWND insert_after, UINT flags) {
    const MarkerState* s = state_of(marker);
    const int size = marker_size(s->selected);
    SetWindowPos(marker, insert_after, to_pixel(s->place.left), to_pixel(s->place.top), size, size,
                 flags | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

}  // namespace

bool RegisterMarkerClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    if (GetClassInfoA(instance, kMarkerClass, &wc)) return true;
    wc.lpfnWndProc = marker_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kMarkerClass;
    return RegisterClassA(&wc) != 0;
}

HWND CreateMarker(HWND parent, int id, MarkerPlace place, bool selected) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
    if (!RegisterMarkerClass(instance)) return nullptr;
    const int size = marker_size(selected);
    HWND marker = CreateWindowExA(0, kMarkerClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, to_pixel(place.left),
                                  to_pixel(place.top), size, size, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!marker) return nullptr;
    MarkerState* s = state_of(marker);
    s->selected = selected;
    s->place = place;
    return marker;
}

void Marker_SetPicture(HWND marker, bool selected) {
    MarkerState* s = state_of(marker);
    s->selected = selected;
    s->has_indicator = false;
    move_window(marker, nullptr, SWP_NOZORDER);
    InvalidateRect(marker, nullptr, FALSE);
}

bool Marker_ShowsSelected(HWND marker) { return state_of(marker)->selected; }

MarkerPlace Marker_GetPlace(HWND marker) { return state_of(marker)->place; }

void Marker_SetPlace(HWND marker, MarkerPlace place) {
    state_of(marker)->place = place;
    move_window(marker, nullptr, SWP_NOZORDER);
}

void Marker_SetPlaceOnTop(HWND marker, MarkerPlace place) {
    state_of(marker)->place = place;
    move_window(marker, HWND_TOP, 0);
}

void Marker_DrawIndicator(HWND marker, IndicatorEnd end) {
    MarkerState* s = state_of(marker);
    s->has_indicator = true;
    s->indicator = end;
    InvalidateRect(marker, nullptr, FALSE);
}

void Marker_ClearDrawing(HWND marker) {
    state_of(marker)->has_indicator = false;
    InvalidateRect(marker, nullptr, FALSE);
}

bool Marker_HasIndicator(HWND marker) { return state_of(marker)->has_indicator; }

IndicatorEnd Marker_GetIndicator(HWND marker) { return state_of(marker)->indicator; }

}  // namespace kvr::ui
