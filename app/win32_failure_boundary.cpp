#include "app/win32_failure_boundary.h"

#include <cstdint>
#include <new>
#include <string>
#include <string_view>

#include "app/forms.h"
#include "service/failure.h"
#include "winapi/text.h"

namespace orvanel::win32 {
namespace {

void report(HWND owner, std::int32_t number, std::string_view description) noexcept {
  try {
    const std::wstring text = winapi::wide_from_utf8("Run-time error '" + std::to_string(number) +
                                                     "':\n\n" + std::string(description));
    const std::wstring title = winapi::wide_from_utf8(kTitle);
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK);
  } catch (...) {
    // No memory to convert with: the title is a literal, and ASCII.
    MessageBoxA(owner, "Out of memory", kTitle.data(), MB_OK);
  }
}

}  // namespace

void report_current_failure(HWND owner) noexcept {
  try {
    throw;
  } catch (const Failure& failure) {
    report(owner, failure.number(), failure.description());
  } catch (const std::bad_alloc&) {
    report(owner, error::kOutOfMemory.number, error::kOutOfMemory.description);
  } catch (...) {
    report(owner, error::kInternalError.number, error::kInternalError.description);
  }
}

}  // namespace orvanel::win32
