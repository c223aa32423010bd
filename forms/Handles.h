// Owned and borrowed Win32 handles.
//
// Every GDI or USER handle this program creates lives in one of these owners, so that
// it is released exactly once, on every path. Owners are move-only; a borrowed handle is
// just the raw value.
#pragma once

#include <windows.h>

#include <utility>

namespace forms {

template <class Handle, class Traits>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : h_(h) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Handle Get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }

    // Gives up ownership; the caller (or the system) now owns the handle.
    [[nodiscard]] Handle Release() noexcept { return std::exchange(h_, nullptr); }

    void Reset(Handle h = nullptr) noexcept {
        if (h_ != nullptr && h_ != h) Traits::Close(h_);
        h_ = h;
    }

private:
    Handle h_ = nullptr;
};

struct GdiObjectTraits {
    static void Close(HGDIOBJ h) noexcept { ::DeleteObject(h); }
};
struct MemoryDcTraits {
    static void Close(HDC h) noexcept { ::DeleteDC(h); }
};
struct WindowTraits {
    static void Close(HWND h) noexcept { ::DestroyWindow(h); }
};
struct IconTraits {
    static void Close(HICON h) noexcept { ::DestroyIcon(h); }
};
struct KernelTraits {
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};

using OwnedBitmap = UniqueHandle<HBITMAP, GdiObjectTraits>;
using OwnedBrush = UniqueHandle<HBRUSH, GdiObjectTraits>;
using OwnedPen = UniqueHandle<HPEN, GdiObjectTraits>;
using OwnedFont = UniqueHandle<HFONT, GdiObjectTraits>;
using OwnedRegion = UniqueHandle<HRGN, GdiObjectTraits>;
using OwnedDc = UniqueHandle<HDC, MemoryDcTraits>;
using OwnedWindow = UniqueHandle<HWND, WindowTraits>;
using OwnedIcon = UniqueHandle<HICON, IconTraits>;
using OwnedHandle = UniqueHandle<HANDLE, KernelTraits>;

// A device context borrowed from a window with GetDC, given back on scope exit.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint/EndPaint as a scope.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) noexcept : hwnd_(hwnd) { ::BeginPaint(hwnd_, &ps_); }
    ~PaintScope() { ::EndPaint(hwnd_, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Dc() const noexcept { return ps_.hdc; }
    const RECT& Area() const noexcept { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
};

// Selects an object into a DC and selects the previous one back on scope exit, so the
// object can be deleted afterwards.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(::SelectObject(dc, obj)) {}
    ~SelectGuard() {
        if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// An object kept selected into a DC for as long as the slot holds it (a back buffer's
// bitmap, pen, brush and font). The first selection keeps what it replaced; a later one
// deletes the object it replaces; Reset selects the original back before deleting the
// object, since a selected object cannot be deleted. Declare a slot after the owner of
// its DC, so that the slot is emptied first.
template <class Owned>
class SelectedSlot {
public:
    SelectedSlot() noexcept = default;
    ~SelectedSlot() { Reset(); }
    SelectedSlot(const SelectedSlot&) = delete;
    SelectedSlot& operator=(const SelectedSlot&) = delete;

    // Selects obj into dc; false (and obj deleted) when the selection fails.
    bool Select(HDC dc, Owned obj) noexcept {
        if (!dc || !obj) return false;
        if (dc_ && dc_ != dc) Reset();
        HGDIOBJ out = ::SelectObject(dc, obj.Get());
        if (!out || out == HGDI_ERROR) return false;
        if (!dc_) {
            dc_ = dc;
            original_ = out;
        }
        object_ = std::move(obj);  // deletes the one it replaces, already selected out
        return true;
    }
    // Selects the original back into the DC, then deletes the object.
    void Reset() noexcept {
        if (dc_ && original_) ::SelectObject(dc_, original_);
        dc_ = nullptr;
        original_ = nullptr;
        object_.Reset();
    }
    auto Get() const noexcept { return object_.Get(); }
    // What the first selection replaced; null while nothing is selected.
    HGDIOBJ Original() const noexcept { return original_; }
    explicit operator bool() const noexcept { return static_cast<bool>(object_); }

private:
    HDC dc_ = nullptr;
    HGDIOBJ original_ = nullptr;
    Owned object_;
};

// Hands a region to a window. The window owns the region once SetWindowRgn succeeds;
// when the call fails the region is deleted here. An empty owner clears the window's
// region. Every caller that shapes a window goes through here.
inline bool GiveRegionToWindow(HWND hwnd, OwnedRegion region, BOOL redraw) noexcept {
    if (::SetWindowRgn(hwnd, region.Get(), redraw) == 0) return false;
    (void)region.Release();
    return true;
}

}  // namespace forms
