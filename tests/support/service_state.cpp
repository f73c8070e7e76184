#include "support/service_state.h"

#include "support/process.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <system_error>
#include <type_traits>
#include <variant>
#include <vector>

#include "winapi/text.h"

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
// controls with ERROR_SERVICE_CANNOT_ACCEPT_CTRL, and a busy one may not
// answer in time (ERROR_SERVICE_REQUEST_TIMEOUT), so those answers wait too.
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
          error != ERROR_SERVICE_REQUEST_TIMEOUT && error != ERROR_SERVICE_ALREADY_RUNNING &&
          error != ERROR_SERVICE_NOT_ACTIVE) {
        return error_text(running ? "StartService" : "ControlService(stop)");
      }
    }
    Sleep(100);
  }
}

struct Note {
  std::string machine;
  ServiceRecord record;

  friend bool operator==(const Note&, const Note&) = default;
};

std::string this_machine() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return {};
  return winapi::utf8_from_wide({name, size});
}

std::string to_text(const Note& note) {
  return "machine " + note.machine + "\nstart_type " + std::to_string(note.record.start_type) +
         "\nrunning " + (note.record.running ? "1" : "0") + "\n";
}

// Only the start types a service like wuauserv can have: 0 and 1 are for
// drivers, and ChangeServiceConfig refuses them for it.
std::optional<Note> from_text(const std::string& text) {
  std::istringstream lines(text);
  std::string machine_key;
  std::string type_key;
  std::string running_key;
  Note note;
  int running = -1;
  lines >> machine_key >> note.machine >> type_key >> note.record.start_type >> running_key >>
      running;
  if (!lines || machine_key != "machine" || type_key != "start_type" || running_key != "running" ||
      (running != 0 && running != 1) || note.record.start_type < DWORD{SERVICE_AUTO_START} ||
      note.record.start_type > DWORD{SERVICE_DISABLED}) {
    return std::nullopt;
  }
  lines >> std::ws;
  if (!lines.eof()) return std::nullopt;
  note.record.running = running == 1;
  return note;
}

std::optional<std::string> read_text(const std::filesystem::path& path) {
  std::ifstream file(path);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string shown(const std::filesystem::path& path) {
  return winapi::utf8_from_wide(path.wstring());
}

std::string shown(const ServiceRecord& record) {
  return "start type " + std::to_string(record.start_type) + ", " +
         (record.running ? "running" : "stopped");
}

// The note as this machine can use it; else why not, and what to do.
std::variant<Note, std::string> read_note(const std::filesystem::path& path) {
  const std::optional<std::string> text = read_text(path);
  const std::string advice = "; set wuauserv as it should be (services.msc) and delete the note";
  if (!text) return shown(path) + " cannot be read" + advice;
  std::optional<Note> note = from_text(*text);
  if (!note) return shown(path) + " does not hold a note of wuauserv" + advice;
  if (note->machine != this_machine()) {
    return shown(path) + " was written on " + note->machine + ", not on " + this_machine() + advice;
  }
  return *note;
}

// The mark of a test under way, which the keeper removes once it has given
// back what the test changed.
std::filesystem::path mark_beside(const std::filesystem::path& note) {
  return std::filesystem::path(note).concat(L".test-under-way");
}

std::optional<std::filesystem::path> note_of_this_run() {
  const wchar_t* path = _wgetenv(L"ORVANEL_SERVICE_NOTE");
  if (path == nullptr || *path == L'\0') return std::nullopt;
  return std::filesystem::path(path);
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

std::string restore_wuauserv(const ServiceRecord& record, bool with_state) {
  const std::optional<ServiceRecord> now = wuauserv_record();
  if (!now) return "wuauserv cannot be asked";
  const bool state_differs = with_state && now->running != record.running;
  const bool type_differs = now->start_type != record.start_type;
  if (!state_differs && !type_differs) return {};
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

int record_as_found(const std::filesystem::path& path) {
  std::printf("elevated: %s; the tests may change wuauserv: %s\n",
              running_elevated() ? "yes" : "no",
              can_control_service() ? "yes" : service_control_refused().c_str());
  const int refused = service_tests_required() ? 1 : 0;
  if (!can_control_service()) {
    std::printf("this run leaves wuauserv alone and keeps no note of it\n");
    return refused;
  }
  const std::optional<ServiceRecord> record = wuauserv_record();
  if (!record) {
    std::printf("wuauserv cannot be asked here: nothing to record\n");
    return refused;
  }
  if (std::filesystem::exists(path)) {
    const std::variant<Note, std::string> kept = read_note(path);
    if (const auto* why = std::get_if<std::string>(&kept)) {
      std::fprintf(stderr, "%s: nothing changed\n", why->c_str());
      return 1;
    }
    std::printf("wuauserv: %s, as an earlier run found it; kept in %s\n",
                shown(std::get<Note>(kept).record).c_str(), shown(path).c_str());
  } else {
    const Note note{this_machine(), *record};
    std::ofstream(path) << to_text(note);
    const std::optional<std::string> written = read_text(path);
    if (!written || from_text(*written) != note) {
      std::fprintf(stderr, "the note of wuauserv could not be kept in %s: nothing changed\n",
                   shown(path).c_str());
      return 1;
    }
    std::printf("wuauserv: %s; kept in %s\n", shown(*record).c_str(), shown(path).c_str());
  }
  const std::string failed = let_wuauserv_start();
  if (!failed.empty()) std::printf("%s\n", failed.c_str());
  return 0;
}

int restore_as_found(const std::filesystem::path& path) {
  if (!std::filesystem::exists(path)) {
    std::printf("no note of wuauserv in %s: nothing to restore\n", shown(path).c_str());
    return 0;
  }
  if (!can_control_service()) {
    // Kept by a run that may change the service, for such a run to give back.
    std::printf("this run may not change wuauserv (%s): %s stays\n",
                service_control_refused().c_str(), shown(path).c_str());
    return 0;
  }
  const std::variant<Note, std::string> note = read_note(path);
  if (const auto* why = std::get_if<std::string>(&note)) {
    std::fprintf(stderr, "%s\n", why->c_str());
    return 1;
  }
  const ServiceRecord& record = std::get<Note>(note).record;
  const std::filesystem::path mark = mark_beside(path);
  const std::optional<std::string> cut_short = read_text(mark);
  if (cut_short)
    std::printf("%s was cut short: its changes are given back here\n", cut_short->c_str());
  const std::string failed = restore_wuauserv(record, cut_short.has_value());
  if (!failed.empty()) {
    std::fprintf(stderr, "wuauserv not restored: %s\n", failed.c_str());
    return 1;
  }
  std::filesystem::remove(mark);
  std::filesystem::remove(path);
  const std::optional<ServiceRecord> now = wuauserv_record();
  std::printf("wuauserv restored: %s%s\n", shown(record).c_str(),
              now && now->running != record.running
                  ? "; whether it runs is left to Windows, which changed it meanwhile"
                  : "");
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

// A run that may not change the service has nothing to give back.
void ServiceKeeper::OnTestStart(const ::testing::TestInfo& test) {
  before_ = can_control_service() ? wuauserv_record() : std::nullopt;
  if (const std::optional<std::filesystem::path> note = note_of_this_run(); before_ && note) {
    std::ofstream(mark_beside(*note)) << test.test_suite_name() << "." << test.name();
  }
}

void ServiceKeeper::OnTestEnd(const ::testing::TestInfo& test) {
  if (!before_) return;
  const std::string failed = restore_wuauserv(*before_, true);
  if (!failed.empty()) {
    std::fprintf(stderr, "%s.%s left wuauserv changed: %s\n", test.test_suite_name(), test.name(),
                 failed.c_str());
    return;
  }
  if (const std::optional<std::filesystem::path> note = note_of_this_run()) {
    std::error_code ignored;
    std::filesystem::remove(mark_beside(*note), ignored);
  }
}

}  // namespace orvanel::testing
