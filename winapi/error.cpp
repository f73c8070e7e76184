#include "winapi/error.h"

#include <cstdint>
#include <string>
#include <utility>

#include "winapi/com.h"
#include "winapi/text.h"

namespace orvanel::winapi {
namespace {

std::string system_message(HRESULT result) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = length == 0 ? std::string() : utf8_from_wide({buffer, length});
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

Error error_from(HRESULT result, EXCEPINFO* exception) {
  std::int32_t number = result;
  std::string text;
  if (result == DISP_E_EXCEPTION && exception != nullptr) {
    if (exception->pfnDeferredFillIn != nullptr) exception->pfnDeferredFillIn(exception);
    const unique_bstr description(std::exchange(exception->bstrDescription, nullptr));
    const unique_bstr source(std::exchange(exception->bstrSource, nullptr));
    const unique_bstr help(std::exchange(exception->bstrHelpFile, nullptr));
    if (exception->scode != 0) {
      number = exception->scode;
    } else if (exception->wCode != 0) {
      number = exception->wCode;
    }
    text = utf8_from_bstr(description.get());
  }
  if (text.empty()) text = system_message(number);
  if (text.empty()) {
    text = "Automation error 0x";
    const auto bits = static_cast<std::uint32_t>(number);
    for (int shift = 28; shift >= 0; shift -= 4) text += "0123456789ABCDEF"[(bits >> shift) & 0xFU];
  }
  return {number, std::move(text)};
}

Error last_error() {
  const DWORD code = GetLastError();
  return error_from(HRESULT_FROM_WIN32(code == 0 ? ERROR_INVALID_FUNCTION : code));
}

}  // namespace orvanel::winapi
