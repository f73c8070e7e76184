#pragma once

// Owners for COM resources, one each: move-only, released exactly once.

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

#include "winapi/handles.h"
#include "winapi/text.h"

namespace orvanel::winapi {

template <typename T>
class com_ptr {
 public:
  com_ptr() noexcept = default;
  com_ptr(const com_ptr&) = delete;
  com_ptr& operator=(const com_ptr&) = delete;
  com_ptr(com_ptr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  com_ptr& operator=(com_ptr&& other) noexcept {
    if (this != &other) attach(std::exchange(other.pointer_, nullptr));
    return *this;
  }
  ~com_ptr() { reset(); }

  // Takes over a reference the caller holds.
  void attach(T* pointer) noexcept {
    T* old = std::exchange(pointer_, pointer);
    if (old != nullptr) old->Release();
  }
  // Adds a reference of its own.
  void copy_from(T* pointer) noexcept {
    if (pointer != nullptr) pointer->AddRef();
    attach(pointer);
  }
  void reset() noexcept { attach(nullptr); }

  // For out-parameters: what was held is released first, so it never leaks.
  [[nodiscard]] T** put() noexcept {
    reset();
    return &pointer_;
  }
  [[nodiscard]] void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  [[nodiscard]] T* get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }

 private:
  T* pointer_ = nullptr;
};

// Asks an object for another of its interfaces, into an owner.
template <typename U>
HRESULT query(IUnknown* from, com_ptr<U>& out) noexcept {
  return from->QueryInterface(__uuidof(U), out.put_void());
}

using unique_bstr = unique_handle<BSTR, &SysFreeString>;

// A BSTR's text, which carries its own length; a null BSTR is empty.
inline std::string utf8_from_bstr(BSTR text) {
  return text == nullptr ? std::string() : utf8_from_wide({text, SysStringLen(text)});
}

class unique_variant {
 public:
  unique_variant() noexcept { VariantInit(&value_); }
  unique_variant(const unique_variant&) = delete;
  unique_variant& operator=(const unique_variant&) = delete;
  unique_variant(unique_variant&& other) noexcept : value_(other.value_) {
    VariantInit(&other.value_);
  }
  unique_variant& operator=(unique_variant&& other) noexcept {
    if (this != &other) {
      reset();
      value_ = other.value_;
      VariantInit(&other.value_);
    }
    return *this;
  }
  ~unique_variant() { reset(); }

  void reset() noexcept {
    VariantClear(&value_);
    VariantInit(&value_);
  }
  [[nodiscard]] VARIANT* put() noexcept {
    reset();
    return &value_;
  }
  [[nodiscard]] VARIANT* get() noexcept { return &value_; }
  [[nodiscard]] const VARIANT* get() const noexcept { return &value_; }

 private:
  VARIANT value_;
};

// COM for this thread, for the object's lifetime; uninitialised only if the
// initialisation succeeded.
class apartment {
 public:
  apartment() noexcept : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  apartment(const apartment&) = delete;
  apartment& operator=(const apartment&) = delete;
  ~apartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  [[nodiscard]] HRESULT result() const noexcept { return result_; }

 private:
  HRESULT result_;
};

}  // namespace orvanel::winapi
