// Move-only owners of Win32 handles, each keeping what it needs to undo its work.
#pragma once

#include <windows.h>

#include <utility>

namespace veltar {

// A handle released by a function of its own (CloseHandle, DestroyMenu, ...).
template <typename Handle, auto ReleaseFunction, Handle Empty = Handle{}>
class Scoped {
public:
    Scoped() = default;
    explicit Scoped(Handle h) : m_handle(h) {}
    Scoped(Scoped&& other) noexcept : m_handle(std::exchange(other.m_handle, Empty)) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) {
            Reset();
            m_handle = std::exchange(other.m_handle, Empty);
        }
        return *this;
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    ~Scoped() { Reset(); }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Empty; }
    // Gives the handle up to the caller, who releases it from now on.
    [[nodiscard]] Handle Release() { return std::exchange(m_handle, Empty); }
    void Reset() {
        if (m_handle != Empty) ReleaseFunction(m_handle);
        m_handle = Empty;
    }

private:
    Handle m_handle = Empty;
};

using ScopedHandle = Scoped<HANDLE, CloseHandle>;
using ScopedIcon = Scoped<HICON, DestroyIcon>;
using ScopedMenu = Scoped<HMENU, DestroyMenu>;
using ScopedMemoryDC = Scoped<HDC, DeleteDC>;
using ScopedFont = Scoped<HFONT, DeleteObject>;
using ScopedBitmap = Scoped<HBITMAP, DeleteObject>;
using ScopedBrush = Scoped<HBRUSH, DeleteObject>;

// A window's device context from GetDC, given back with ReleaseDC.
class ScopedGetDC {
public:
    explicit ScopedGetDC(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    ScopedGetDC(ScopedGetDC&& other) noexcept
        : m_window(std::exchange(other.m_window, nullptr)), m_dc(std::exchange(other.m_dc, nullptr)) {}
    ScopedGetDC& operator=(ScopedGetDC&&) = delete;
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    ~ScopedGetDC() {
        if (m_dc) ReleaseDC(m_window, m_dc);
    }
    HDC get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// An object selected into a device context; the previous one is selected back.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    ScopedSelectObject(ScopedSelectObject&& other) noexcept
        : m_dc(std::exchange(other.m_dc, nullptr)), m_previous(std::exchange(other.m_previous, nullptr)) {}
    ScopedSelectObject& operator=(ScopedSelectObject&&) = delete;
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
    ~ScopedSelectObject() {
        if (m_dc && m_previous) SelectObject(m_dc, m_previous);
    }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

}  // namespace veltar
