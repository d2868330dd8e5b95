#pragma once

#include <unknwn.h>
#include <windows.h>

#include <cstdint>
#include <utility>

namespace resolvo::win32 {

// One owner per handle: it closes the handle, cannot be copied and can be
// moved. A kind of handle is declared in one line by its type, the function
// that closes it and its empty value, which is null for most kinds and
// INVALID_HANDLE_VALUE (-1) for what CreateFileW returns.
template <typename Handle, auto Close, std::intptr_t EmptyValue = 0>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    Handle Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Empty(); }

    // For a function that hands out a new handle through an argument: what
    // was held is closed first, and the handle reads as empty until written.
    Handle* Put() noexcept {
        Reset();
        return &handle_;
    }
    Handle Release() noexcept { return std::exchange(handle_, Empty()); }
    void Reset(Handle handle = Empty()) noexcept {
        const Handle old = std::exchange(handle_, handle);
        if (old != Empty()) {
            Close(old);
        }
    }

private:
    static Handle Empty() noexcept { return reinterpret_cast<Handle>(EmptyValue); }

    Handle handle_ = Empty();
};

using UniqueKernelHandle = UniqueHandle<HANDLE, &::CloseHandle>;
using UniqueFileHandle = UniqueHandle<HANDLE, &::CloseHandle, -1>;
using UniqueFindHandle = UniqueHandle<HANDLE, &::FindClose, -1>;
using UniqueFont = UniqueHandle<HFONT, &::DeleteObject>;
using UniqueIcon = UniqueHandle<HICON, &::DestroyIcon>;
using UniqueWindow = UniqueHandle<HWND, &::DestroyWindow>;
using UniqueGlobal = UniqueHandle<HGLOBAL, &::GlobalFree>;
using UniqueHook = UniqueHandle<HHOOK, &::UnhookWindowsHookEx>;
using UniqueModule = UniqueHandle<HMODULE, &::FreeLibrary>;

// A window's device context, released to the window it came from.
class WindowDC {
public:
    explicit WindowDC(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ~WindowDC() {
        if (dc_ != nullptr) {
            ::ReleaseDC(window_, dc_);
        }
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// The device context of one WM_PAINT, ended with the paint.
class PaintDC {
public:
    explicit PaintDC(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    ~PaintDC() { ::EndPaint(window_, &paint_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;

    HDC Get() const noexcept { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// A GDI object selected into a device context for one scope; the object it
// replaced is selected again afterwards.
class SelectedObject {
    // HGDI_ERROR, which the 64-bit headers spell with a sign conversion.
    static inline const HGDIOBJ GdiError = reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1));

public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (previous_ != nullptr && previous_ != GdiError) {
            ::SelectObject(dc_, previous_);
        }
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// One reference to a COM object, released by its owner.
template <typename Interface>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ~ComPtr() { Reset(); }

    Interface* Get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

    // For a function that hands out a new reference through its last argument.
    Interface** Put() noexcept {
        Reset();
        return &pointer_;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    void Reset() noexcept {
        if (pointer_ != nullptr) {
            std::exchange(pointer_, nullptr)->Release();
        }
    }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace resolvo::win32
