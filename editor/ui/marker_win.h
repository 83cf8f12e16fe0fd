// The object markers `object(0)`..`object(63)` and the holders `objectSEL` and `objectUNSEL`:
// small borderless picture boxes showing one of the two marker pictures (red, with the
// system window-background colour where the picture is transparent). A marker takes the
// size of its picture, keeps its place as single-precision window pixels, can carry the
// orientation indicator, and tells its parent when the right button is released over it.
#pragma once

#include <windows.h>

#include "editor/ui/marker_geometry.h"

namespace kvr::ui {

// WM_COMMAND notification code: the right mouse button was released over the marker.
inline constexpr WORD MKN_RBUTTONUP = 0x0100;

bool RegisterMarkerClass(HINSTANCE instance);
HWND CreateMarker(HWND parent, int id, MarkerPlace place, bool selected);

// Swaps the picture (and the size with it); anything drawn into the marker is cleared.
void Marker_SetPicture(HWND marker, bool selected);
bool Marker_ShowsSelected(HWND marker);

MarkerPlace Marker_GetPlace(HWND marker);
void Marker_SetPlace(HWND marker, MarkerPlace place);
// Moves the marker and puts it on top of its siblings.
void Marker_SetPlaceOnTop(HWND marker, MarkerPlace place);

// Draws the orientation indicator: a magenta line of pen width 2 from the centre (5, 5)
// to `end`, in marker pixels. Replaces an indicator drawn before.
void Marker_DrawIndicator(HWND marker, IndicatorEnd end);
// Clears everything drawn into the marker (the picture stays).
void Marker_ClearDrawing(HWND marker);
bool Marker_HasIndicator(HWND marker);
// The endpoint last drawn, as given (the drawing itself is in whole pixels).
IndicatorEnd Marker_GetIndicator(HWND marker);

// Indicator colour (magenta) as 0x00RRGGBB.
inline constexpr COLORREF kIndicatorColour = RGB(255, 0, 255);

}  // namespace kvr::ui
