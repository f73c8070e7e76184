#include "win/service_state.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <type_traits>
#include <vector>

namespace orvanel::testing {
namespace {

struct CloseService {
  void operator()(SC_HANDLE handle) const noexcept { CloseServiceHandle(handle); }
};
using unique_service = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, CloseService>;

constexpr DWORD kAccess =
    SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG | SERVICE_QUERY_STATUS | SERVICE_START |
    SERVICE_STOP;

// The service with as many of the rights it may take as this process has.
unique_service open_wuauserv(DWORD access) {
  const unique_service manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return {};
  return unique_service(OpenServiceW(manager.get(), L"wuauserv", access));
}

std::optional<DWORD> start_type(SC_HANDLE service) {
  DWORD needed = 0;
  QueryServiceConfigW(service, nullptr, 0, &needed);
  std::vector<unsigned char> buffer(needed);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (needed == 0 || !QueryServiceConfigW(service, config, needed, &needed)) return std::nullopt;
  return config->dwStartType;
}

std::optional<DWORD> current_state(SC_HANDLE service) {
  SERVICE_STATUS status{};
  if (!QueryServiceStatus(service, &status)) return std::nullopt;
  return status.dwCurrentState;
}

std::string error_text(const char* what) {
  return std::string(what) + " failed with error " + std::to_string(GetLastError());
}

}  // namespace

std::optional<ServiceRecord> wuauserv_record() {
  const unique_service service = open_wuauserv(SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
  if (!service) return std::nullopt;
  const std::optional<DWORD> type = start_type(service.get());
  const std::optional<DWORD> state = current_state(service.get());
  if (!type || !state) return std::nullopt;
  return ServiceRecord{*type, *state == SERVICE_RUNNING || *state == SERVICE_START_PENDING};
}

std::string restore_wuauserv(const ServiceRecord& record) {
  const std::optional<ServiceRecord> now = wuauserv_record();
  if (now && *now == record) return {};
  const unique_service service = open_wuauserv(kAccess);
  if (!service) return error_text("opening wuauserv to restore it");
  // A disabled service must be started or stopped first, then disabled again.
  if (record.running != now.value_or(ServiceRecord{}).running) {
    if (start_type(service.get()) == SERVICE_DISABLED &&
        !ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, SERVICE_DEMAND_START,
                              SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr)) {
      return error_text("ChangeServiceConfig");
    }
    SERVICE_STATUS status{};
    if (record.running ? !StartServiceW(service.get(), 0, nullptr)
                       : !ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
      const DWORD error = GetLastError();
      if (error != ERROR_SERVICE_ALREADY_RUNNING && error != ERROR_SERVICE_NOT_ACTIVE) {
        return error_text(record.running ? "StartService" : "ControlService(stop)");
      }
    }
    const DWORD wanted = record.running ? SERVICE_RUNNING : SERVICE_STOPPED;
    const ULONGLONG end = GetTickCount64() + 60000;
    while (current_state(service.get()) != wanted && GetTickCount64() < end) Sleep(100);
    if (current_state(service.get()) != wanted) return "wuauserv did not get back within 60 s";
  }
  if (start_type(service.get()) != record.start_type &&
      !ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, record.start_type, SERVICE_NO_CHANGE,
                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) {
    return error_text("ChangeServiceConfig");
  }
  return {};
}

std::string let_wuauserv_start() {
  const std::optional<ServiceRecord> now = wuauserv_record();
  if (!now || now->start_type != SERVICE_DISABLED) return {};
  const unique_service service = open_wuauserv(SERVICE_CHANGE_CONFIG);
  if (!service ||
      !ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, SERVICE_DEMAND_START,
                            SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr)) {
    return error_text("setting wuauserv to start on demand");
  }
  return {};
}

std::string to_text(const ServiceRecord& record) {
  return std::to_string(record.start_type) + " " + (record.running ? "1" : "0") + "\n";
}

std::optional<ServiceRecord> from_text(const std::string& text) {
  char* after_type = nullptr;
  const unsigned long type = std::strtoul(text.c_str(), &after_type, 10);
  char* after_running = nullptr;
  const unsigned long running = std::strtoul(after_type, &after_running, 10);
  if (after_type == text.c_str() || after_running == after_type || running > 1) {
    return std::nullopt;
  }
  return ServiceRecord{static_cast<DWORD>(type), running == 1};
}

void ServiceKeeper::OnTestStart(const ::testing::TestInfo& /*test*/) {
  before_ = wuauserv_record();
}

void ServiceKeeper::OnTestEnd(const ::testing::TestInfo& test) {
  if (!before_) return;
  const std::string failed = restore_wuauserv(*before_);
  if (!failed.empty()) {
    std::fprintf(stderr, "%s.%s left wuauserv changed: %s\n", test.test_suite_name(), test.name(),
                 failed.c_str());
  }
}

}  // namespace orvanel::testing
