// Small holders that give a Win32 resource back at the end of their scope: a kernel handle, a
// font, a device context, the thread's COM initialisation, the wait cursor, and the windows and
// hooks that the tests make. None of them can be copied. The holders of one handle
// (ScopedResource and its names below) can be moved, so that a function can make the resource
// and hand it on; a moved-from holder holds nothing.
//
// Header only: the file layer, the program and the tests include it, and each links the system
// library of the holders it uses.
#pragma once

#include <windows.h>

#include <objbase.h>

#include <utility>

// Owns one handle of type T and gives it back with Free at the end of its scope. nullptr and
// INVALID_HANDLE_VALUE are no handle (kernel calls report a failure with one or the other).
template <typename T, auto Free> class ScopedResource {
  public:
    explicit ScopedResource(T owned = nullptr) : value_(owned) {}
    ScopedResource(ScopedResource&& other) noexcept : value_(other.Release()) {}
    ScopedResource& operator=(ScopedResource&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    ScopedResource(const ScopedResource&) = delete;
    ScopedResource& operator=(const ScopedResource&) = delete;
    ~ScopedResource() { Reset(); }

    // The handle, still owned here.
    T Get() const { return value_; }
    operator T() const { return value_; }

    // Hands the handle on without giving it back; the holder is left empty.
    T Release() { return std::exchange(value_, nullptr); }

    // Gives the handle back now (when there is one) and owns owned instead.
    void Reset(T owned = nullptr) {
        const T old = std::exchange(value_, owned);
        if (old != nullptr && old != INVALID_HANDLE_VALUE) {
            Free(old);
        }
    }

  private:
    T value_;
};

// A kernel handle (a file, a process), closed with CloseHandle.
using ScopedHandle = ScopedResource<HANDLE, CloseHandle>;

// A font that the program created, deleted with DeleteObject.
using ScopedFont = ScopedResource<HFONT, DeleteObject>;

// DestroyWindow for a window that still exists; FALSE, and nothing done, for one already gone.
inline BOOL DestroyLiveWindow(HWND window) {
    return IsWindow(window) && DestroyWindow(window);
}

// A window, destroyed unless something else has destroyed it first.
using ScopedWindow = ScopedResource<HWND, DestroyLiveWindow>;

// A hook (SetWindowsHookExA), removed with UnhookWindowsHookEx.
using ScopedHook = ScopedResource<HHOOK, UnhookWindowsHookEx>;

// The device context of a window, or of the whole screen for no window (GetDC), released with
// ReleaseDC at the end of the scope.
class ScopedGetDC {
  public:
    explicit ScopedGetDC(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    ~ScopedGetDC() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }

    operator HDC() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// The calling thread's COM apartment (CoInitialize), uninitialised at the end of the scope when
// the initialisation succeeded.
class ScopedCom {
  public:
    ScopedCom() : result_(CoInitialize(nullptr)) {}
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;
    ~ScopedCom() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }

  private:
    HRESULT result_;
};

// Shows the wait cursor while it lives (when show is true), then puts back the cursor that was
// there before, however the work in between ends.
class ScopedWaitCursor {
  public:
    explicit ScopedWaitCursor(bool show = true)
        : shown_(show), previous_(show ? SetCursor(LoadCursorA(nullptr, IDC_WAIT)) : nullptr) {}
    ScopedWaitCursor(const ScopedWaitCursor&) = delete;
    ScopedWaitCursor& operator=(const ScopedWaitCursor&) = delete;
    ~ScopedWaitCursor() {
        if (shown_) {
            SetCursor(previous_);
        }
    }

  private:
    bool shown_;
    HCURSOR previous_;
};
