#pragma once

// Owners for Windows handles, one each: move-only, released exactly once.
// The window's handles and the COM backend's strings share the one template.

#include <windows.h>
#include <winsvc.h>

#include <utility>

namespace orvanel::winapi {

// A handle and the one call that gives it back.
template <typename Handle, auto Close>
class unique_handle {
 public:
  unique_handle() noexcept = default;
  explicit unique_handle(Handle handle) noexcept : handle_(handle) {}
  unique_handle(const unique_handle&) = delete;
  unique_handle& operator=(const unique_handle&) = delete;
  unique_handle(unique_handle&& other) noexcept : handle_(other.release()) {}
  unique_handle& operator=(unique_handle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~unique_handle() { reset(); }

  // Gives back what is held before taking the new handle. The old one stays
  // readable while it goes: a window being destroyed still finds itself here.
  void reset(Handle handle = nullptr) noexcept {
    if (handle_ != nullptr && handle_ != handle) Close(handle_);
    handle_ = handle;
  }
  // Hands the handle to whoever takes it over, and forgets it.
  [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, nullptr); }
  [[nodiscard]] Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }

 private:
  Handle handle_ = nullptr;
};

template <typename Object>
void delete_object(Object object) noexcept {
  DeleteObject(object);
}

using unique_hwnd = unique_handle<HWND, &DestroyWindow>;
using unique_hfont = unique_handle<HFONT, &delete_object<HFONT>>;
using unique_hbrush = unique_handle<HBRUSH, &delete_object<HBRUSH>>;
using unique_hbitmap = unique_handle<HBITMAP, &delete_object<HBITMAP>>;
using unique_hicon = unique_handle<HICON, &DestroyIcon>;
using unique_hdc = unique_handle<HDC, &DeleteDC>;  // a memory DC
// A kernel object that is null when there is none: a process, a thread, an
// event (not a file, whose failure is INVALID_HANDLE_VALUE).
using unique_kernel_handle = unique_handle<HANDLE, &CloseHandle>;
using unique_service = unique_handle<SC_HANDLE, &CloseServiceHandle>;

// A registered window class, unregistered with its owner. Windows deletes
// the class's background brush then: once registered, the brush is the
// class's, not the caller's.
class unique_window_class {
 public:
  unique_window_class() noexcept = default;
  unique_window_class(const unique_window_class&) = delete;
  unique_window_class& operator=(const unique_window_class&) = delete;
  unique_window_class(unique_window_class&& other) noexcept
      : atom_(std::exchange(other.atom_, ATOM{})), instance_(other.instance_) {}
  unique_window_class& operator=(unique_window_class&& other) noexcept {
    if (this != &other) {
      reset();
      atom_ = std::exchange(other.atom_, ATOM{});
      instance_ = other.instance_;
    }
    return *this;
  }
  ~unique_window_class() { reset(); }

  // Registers the class; the brush passes to the class only if it is
  // registered, and is deleted with its owner otherwise.
  bool register_class(WNDCLASSEXW description, unique_hbrush background) noexcept {
    reset();
    description.hbrBackground = background.get();
    atom_ = RegisterClassExW(&description);
    if (atom_ == 0) return false;
    (void)background.release();
    instance_ = description.hInstance;
    return true;
  }
  void reset() noexcept {
    if (atom_ != 0) UnregisterClassW(MAKEINTATOM(std::exchange(atom_, ATOM{})), instance_);
  }
  [[nodiscard]] const wchar_t* get() const noexcept { return MAKEINTATOM(atom_); }

 private:
  ATOM atom_ = 0;
  HINSTANCE instance_ = nullptr;
};

// A window's device context, released on leaving (ReleaseDC): its client
// area's from GetDC, or one that GetWindowDC or GetDCEx returned for it.
class scoped_window_dc {
 public:
  explicit scoped_window_dc(HWND window) noexcept : scoped_window_dc(window, GetDC(window)) {}
  scoped_window_dc(HWND window, HDC dc) noexcept : window_(window), dc_(dc) {}
  scoped_window_dc(const scoped_window_dc&) = delete;
  scoped_window_dc& operator=(const scoped_window_dc&) = delete;
  ~scoped_window_dc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  [[nodiscard]] HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context; what it replaced goes back on
// leaving.
class scoped_select {
 public:
  scoped_select(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
  scoped_select(const scoped_select&) = delete;
  scoped_select& operator=(const scoped_select&) = delete;
  ~scoped_select() {
    // HGDI_ERROR, spelled without the macro's sign-changing cast.
    const auto failed = reinterpret_cast<HGDIOBJ>(static_cast<INT_PTR>(-1));
    if (previous_ != nullptr && previous_ != failed) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace orvanel::winapi
