// Painting the framed background and text into a window's paint context.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

// Draws the framed background into a 32-bit section blended onto the target;
// returns the section, now the caller's, or null when nothing was drawn.
HBITMAP BlendFramedBitmap(HWND hWnd, std::pair<DWORD, DWORD> colors, HDC target, const RECT& margins);

// Copies the bitmap over the window's client area and deletes the bitmap.
void StretchBitmapToClient(HDC target, HWND hWnd, int sourceWidth, int sourceHeight, HBITMAP bitmap);

// Blends the framed background onto the paint context and copies it over the
// client area; returns the client rectangle.
RECT PaintFramedBackground(HDC dc, HWND hWnd, std::pair<DWORD, DWORD> colors, const RECT& margins);

// Draws text in a font of the given height and face, created and deleted here;
// false when the font could not be created.
bool DrawTextInFont(HDC dc, const std::u16string& text, RECT bounds, int height, const std::u16string& face,
                    COLORREF color, UINT format);
