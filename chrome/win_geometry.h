// Conversions between Win32's rectangles and points and our own.
#pragma once

#include <windows.h>

#include "chrome/geometry.h"

namespace veltar {

inline Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
inline RECT ToWinRect(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }
inline Point ToPoint(const POINT& p) { return {p.x, p.y}; }

}  // namespace veltar
