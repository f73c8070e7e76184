#include "service/windows_failure.h"

#include <utility>

namespace orvanel {

Failure failure_from(winapi::Error error) {
  return {error.number, std::move(error.text)};
}

void throw_failure(HRESULT result, EXCEPINFO* exception) {
  throw failure_from(winapi::error_from(result, exception));
}

void throw_last_error() {
  throw failure_from(winapi::last_error());
}

}  // namespace orvanel
