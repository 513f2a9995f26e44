#pragma once
// Ownership of Win32 handles. One template, one small traits struct per kind of handle:
// the traits say what the empty value is and how the handle is given back.
#include <windows.h>
#include <utility>

namespace platform {

template <class Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() noexcept : handle_(Traits::Null()) {}
    explicit ScopedHandle(Handle h) noexcept : handle_(h) {}
    ~ScopedHandle() { Close(); }

    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    bool IsValid() const noexcept { return Traits::IsValid(handle_); }
    explicit operator bool() const noexcept { return IsValid(); }
    Handle Get() const noexcept { return handle_; }

    // Closes the held handle (if any) and takes ownership of h.
    void Reset(Handle h = Traits::Null()) noexcept {
        if (h == handle_) return;
        Close();
        handle_ = h;
    }
    Handle Release() noexcept { return std::exchange(handle_, Traits::Null()); }
    // The caller's last error survives: a handle closed on the way out of a failed call must
    // not replace the code that says why the call failed.
    void Close() noexcept {
        if (Traits::IsValid(handle_)) {
            const DWORD lastError = ::GetLastError();
            Traits::Close(handle_);
            ::SetLastError(lastError);
        }
        handle_ = Traits::Null();
    }

private:
    Handle handle_;
};

// Kernel objects whose failure value is INVALID_HANDLE_VALUE (CreateFile).
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

// Kernel objects whose failure value is NULL (processes, events, snapshots use INVALID; see below).
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};

struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::CloseServiceHandle(h); }
};

// Registry keys. The predefined roots (HKEY_LOCAL_MACHINE and its kin) are never closed.
struct HookTraits {
    using Handle = HHOOK;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::UnhookWindowsHookEx(h); }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) {
        if ((reinterpret_cast<ULONG_PTR>(h) & 0xFFFFFFF0u) == 0x80000000u) return;
        ::RegCloseKey(h);
    }
};

template <class T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::DeleteDC(h); }
};

struct IconTraits {
    using Handle = HICON;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::DestroyIcon(h); }
};

using ScopedFile = ScopedHandle<FileHandleTraits>;
using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedHook = ScopedHandle<HookTraits>;
using ScopedFind = ScopedHandle<FindHandleTraits>;
using ScopedServiceHandle = ScopedHandle<ServiceHandleTraits>;
using ScopedRegKey = ScopedHandle<RegKeyTraits>;
using ScopedFont = ScopedHandle<GdiObjectTraits<HFONT>>;
using ScopedBrush = ScopedHandle<GdiObjectTraits<HBRUSH>>;
using ScopedPen = ScopedHandle<GdiObjectTraits<HPEN>>;
using ScopedBitmap = ScopedHandle<GdiObjectTraits<HBITMAP>>;
using ScopedMemoryDc = ScopedHandle<MemoryDcTraits>;
using ScopedIcon = ScopedHandle<IconTraits>;

// A window DC from GetDC, given back with ReleaseDC.
class ScopedGetDc {
public:
    explicit ScopedGetDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~ScopedGetDc() { if (dc_) ::ReleaseDC(window_, dc_); }
    ScopedGetDc(const ScopedGetDc&) = delete;
    ScopedGetDc& operator=(const ScopedGetDc&) = delete;
    HDC Get() const { return dc_; }
private:
    HWND window_;
    HDC dc_;
};

// Selects a GDI object into a DC and puts the previous one back on scope exit.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~ScopedSelectObject() { if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_); }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A COM interface pointer that releases on scope exit.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    // For out-parameters: releases the held pointer first.
    T** Receive() { Reset(); return &ptr_; }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    void Reset() { if (ptr_) { ptr_->Release(); ptr_ = nullptr; } }
private:
    T* ptr_ = nullptr;
};

}  // namespace platform
