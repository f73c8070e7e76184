#include "support/service_state.h"

#include "support/process.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <type_traits>
#include <vector>

namespace orvanel::testing {
namespace {

struct CloseService {
  void operator()(SC_HANDLE handle) const noexcept { CloseServiceHandle(handle); }
};
using unique_service = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, CloseService>;

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

bool pending(DWORD state) {
  return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
         state == SERVICE_CONTINUE_PENDING || state == SERVICE_PAUSE_PENDING;
}

bool set_start_type(SC_HANDLE service, DWORD type) {
  return ChangeServiceConfigW(service, SERVICE_NO_CHANGE, type, SERVICE_NO_CHANGE, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE;
}

// Asks for the state, waiting out a stop or start under way (Windows Update
// may be starting it by itself): a service in a pending state refuses
// controls with ERROR_SERVICE_CANNOT_ACCEPT_CTRL, so that answer waits too.
std::string bring_to(SC_HANDLE service, bool running, ULONGLONG end) {
  const DWORD wanted = running ? SERVICE_RUNNING : SERVICE_STOPPED;
  for (;;) {
    const std::optional<DWORD> state = current_state(service);
    if (!state) return error_text("QueryServiceStatus");
    if (*state == wanted) return {};
    if (GetTickCount64() >= end) return "wuauserv did not get back within 60 s";
    if (!pending(*state)) {
      SERVICE_STATUS status{};
      const bool sent = running ? StartServiceW(service, 0, nullptr) != FALSE
                                : ControlService(service, SERVICE_CONTROL_STOP, &status) != FALSE;
      const DWORD error = sent ? ERROR_SUCCESS : GetLastError();
      if (error != ERROR_SUCCESS && error != ERROR_SERVICE_CANNOT_ACCEPT_CTRL &&
          error != ERROR_SERVICE_ALREADY_RUNNING && error != ERROR_SERVICE_NOT_ACTIVE) {
        return error_text(running ? "StartService" : "ControlService(stop)");
      }
    }
    Sleep(100);
  }
}

// The record a note holds; nothing if there is no note or it holds none.
std::optional<ServiceRecord> read_note(const char* path) {
  std::ifstream note(path);
  if (!note) return std::nullopt;
  return from_text(std::string(std::istreambuf_iterator<char>(note), {}));
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
  if (!now) return "wuauserv cannot be asked";
  if (*now == record) return {};
  const bool state_differs = now->running != record.running;
  const bool type_differs = now->start_type != record.start_type;
  // Only the rights that what differs needs: a start needs a disabled
  // service let start first.
  DWORD access = SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS;
  if (state_differs) access |= record.running ? SERVICE_START : SERVICE_STOP;
  if (type_differs || (state_differs && record.running)) access |= SERVICE_CHANGE_CONFIG;
  const unique_service service = open_wuauserv(access);
  if (!service) return error_text("opening wuauserv to restore it");
  if (state_differs) {
    if (record.running && now->start_type == DWORD{SERVICE_DISABLED} &&
        !set_start_type(service.get(), SERVICE_DEMAND_START)) {
      return error_text("ChangeServiceConfig");
    }
    std::string failed = bring_to(service.get(), record.running, GetTickCount64() + 60000);
    if (!failed.empty()) return failed;
  }
  if (start_type(service.get()) != record.start_type &&
      !set_start_type(service.get(), record.start_type)) {
    return error_text("ChangeServiceConfig");
  }
  return {};
}

int record_as_found(const char* path) {
  std::printf("elevated: %s; the tests may change wuauserv: %s\n",
              running_elevated() ? "yes" : "no",
              can_control_service() ? "yes" : service_control_refused().c_str());
  const std::optional<ServiceRecord> kept = read_note(path);
  if (kept) {
    std::printf("wuauserv: start type %lu, %s, as an earlier run found it; kept in %s\n",
                kept->start_type, kept->running ? "running" : "stopped", path);
  }
  const std::optional<ServiceRecord> record = wuauserv_record();
  if (!record) {
    std::printf("wuauserv cannot be asked here: nothing to record\n");
    return service_tests_required() ? 1 : 0;
  }
  if (!kept) {
    std::ofstream(path) << to_text(*record);
    std::printf("wuauserv: start type %lu, %s; kept in %s\n", record->start_type,
                record->running ? "running" : "stopped", path);
  }
  if (!can_control_service()) return service_tests_required() ? 1 : 0;
  const std::string failed = let_wuauserv_start();
  if (!failed.empty()) std::printf("%s\n", failed.c_str());
  return 0;
}

int restore_as_found(const char* path) {
  if (!std::ifstream(path)) {
    std::printf("no record of wuauserv in %s: nothing to restore\n", path);
    return 0;
  }
  const std::optional<ServiceRecord> record = read_note(path);
  if (!record) {
    std::fprintf(stderr, "%s does not hold a record of wuauserv\n", path);
    return 1;
  }
  if (wuauserv_record() != record && !can_control_service()) {
    // This run changed nothing; the run that did may give it back.
    std::printf("wuauserv stands otherwise than %s says, and this run may not change it (%s): "
                "the note stays\n",
                path, service_control_refused().c_str());
    return 0;
  }
  const std::string failed = restore_wuauserv(*record);
  if (!failed.empty()) {
    std::fprintf(stderr, "wuauserv not restored: %s\n", failed.c_str());
    return 1;
  }
  std::remove(path);
  std::printf("wuauserv restored: start type %lu, %s\n", record->start_type,
              record->running ? "running" : "stopped");
  return 0;
}

std::string let_wuauserv_start() {
  const std::optional<ServiceRecord> now = wuauserv_record();
  if (!now || now->start_type != DWORD{SERVICE_DISABLED}) return {};
  return set_wuauserv_start_type(SERVICE_DEMAND_START);
}

std::string set_wuauserv_start_type(DWORD type) {
  const unique_service service = open_wuauserv(SERVICE_CHANGE_CONFIG);
  if (!service || !set_start_type(service.get(), type)) {
    return error_text("setting wuauserv's start type");
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

// A run that may not change the service has nothing to give back.
void ServiceKeeper::OnTestStart(const ::testing::TestInfo& /*test*/) {
  before_ = can_control_service() ? wuauserv_record() : std::nullopt;
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
