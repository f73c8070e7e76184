#include "support/service_state.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <vector>

#include "support/process.h"
#include "winapi/handles.h"
#include "winapi/text.h"

namespace orvanel::testing {
namespace {

using winapi::unique_service;

// What a call of the service manager's that failed said: its error, read
// before anything else is called, and what the call was.
struct Refused {
  const char* what;
  DWORD error;
  [[nodiscard]] std::string text() const {
    return std::string(what) + " failed with error " + std::to_string(error);
  }
};
Refused refused(const char* what) {
  return {what, GetLastError()};
}

std::variant<unique_service, Refused> open_wuauserv(DWORD access) {
  const unique_service manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return refused("OpenSCManager");
  unique_service service(OpenServiceW(manager.get(), L"wuauserv", access));
  if (!service) return refused("OpenService(wuauserv)");
  return service;
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

bool pending(DWORD state) {
  return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
         state == SERVICE_CONTINUE_PENDING || state == SERVICE_PAUSE_PENDING;
}

bool set_start_type(SC_HANDLE service, DWORD type) {
  return ChangeServiceConfigW(service, SERVICE_NO_CHANGE, type, SERVICE_NO_CHANGE, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE;
}

// How long the service manager waits for a service to answer a start or a
// control before the call fails with ERROR_SERVICE_REQUEST_TIMEOUT (1053):
// ServicesPipeTimeout, 30 s where it is not set
// (https://learn.microsoft.com/previous-versions/windows/it-pro/windows-server-2008-R2-and-2008/cc756342(v=ws.10));
// hosted runners' images set 120 s (runner-images, Configure-System.ps1).
ULONGLONG pipe_timeout_ms() {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control",
                   L"ServicesPipeTimeout", RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS) {
    return 30000;
  }
  return value;
}

// Asks for the state, waiting out a stop or start under way (Windows Update
// may be starting it by itself): a service in a pending state refuses
// controls with ERROR_SERVICE_CANNOT_ACCEPT_CTRL, and a busy one may not
// answer in time (ERROR_SERVICE_REQUEST_TIMEOUT), so those answers wait too.
// A minute for the service to get there, counted between calls; a call
// that the service manager holds for its pipe timeout may run past it once,
// as no call is made after the minute.
std::string bring_to(SC_HANDLE service, bool running) {
  const DWORD wanted = running ? SERVICE_RUNNING : SERVICE_STOPPED;
  const ULONGLONG began = GetTickCount64();
  for (;;) {
    const std::optional<DWORD> state = current_state(service);
    if (!state) return refused("QueryServiceStatus").text();
    if (*state == wanted) return {};
    const ULONGLONG spent = GetTickCount64() - began;
    if (spent >= 60000) {
      return "wuauserv was not " + std::string(running ? "running" : "stopped") + " after " +
             std::to_string(spent / 1000) + " s (one start or stop may be held for " +
             std::to_string(pipe_timeout_ms() / 1000) + " s, the service manager's pipe timeout)";
    }
    if (!pending(*state)) {
      SERVICE_STATUS status{};
      const bool sent = running ? StartServiceW(service, 0, nullptr) != FALSE
                                : ControlService(service, SERVICE_CONTROL_STOP, &status) != FALSE;
      const Refused answer = sent ? Refused{"", ERROR_SUCCESS}
                                  : refused(running ? "StartService" : "ControlService(stop)");
      if (answer.error != ERROR_SUCCESS && answer.error != ERROR_SERVICE_CANNOT_ACCEPT_CTRL &&
          answer.error != ERROR_SERVICE_REQUEST_TIMEOUT &&
          answer.error != ERROR_SERVICE_ALREADY_RUNNING &&
          answer.error != ERROR_SERVICE_NOT_ACTIVE) {
        return answer.text();
      }
    }
    Sleep(100);
  }
}

std::string this_machine() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return {};
  return winapi::utf8_from_wide({name, size});
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

// Only the start types a service like wuauserv can have: 0 and 1 are for
// drivers, and ChangeServiceConfig refuses them for it.
bool read_record(std::istream& lines, ServiceRecord& record) {
  std::string type_key;
  std::string running_key;
  int running = -1;
  lines >> type_key >> record.start_type >> running_key >> running;
  if (!lines || type_key != "start_type" || running_key != "running" ||
      (running != 0 && running != 1) || record.start_type < DWORD{SERVICE_AUTO_START} ||
      record.start_type > DWORD{SERVICE_DISABLED}) {
    return false;
  }
  record.running = running == 1;
  lines >> std::ws;
  return lines.eof();
}

std::string record_text(const ServiceRecord& record) {
  return "start_type " + std::to_string(record.start_type) + "\nrunning " +
         (record.running ? "1" : "0") + "\n";
}

// The run's note: the machine, and wuauserv as the run found it.
struct Note {
  std::string machine;
  ServiceRecord record;

  friend bool operator==(const Note&, const Note&) = default;
};

std::string to_text(const Note& note) {
  return "machine " + note.machine + "\n" + record_text(note.record);
}

std::optional<Note> note_from_text(const std::string& text) {
  std::istringstream lines(text);
  std::string key;
  Note note;
  lines >> key >> note.machine;
  if (!lines || key != "machine" || !read_record(lines, note.record)) return std::nullopt;
  return note;
}

// A test's mark: its name, when it began (100 ns since 1601, which orders
// tests of runs weeks apart), and wuauserv as it found it.
struct Mark {
  std::string test;
  std::uint64_t began = 0;
  ServiceRecord record;

  friend bool operator==(const Mark&, const Mark&) = default;
};

std::string to_text(const Mark& mark) {
  return "test " + mark.test + "\nbegan " + std::to_string(mark.began) + "\n" +
         record_text(mark.record);
}

std::optional<Mark> mark_from_text(const std::string& text) {
  std::istringstream lines(text);
  std::string test_key;
  std::string began_key;
  Mark mark;
  lines >> test_key >> mark.test >> began_key >> mark.began;
  if (!lines || test_key != "test" || began_key != "began" || !read_record(lines, mark.record)) {
    return std::nullopt;
  }
  return mark;
}

// Written, then read back: what cannot be read back was not kept.
template <typename Kept>
bool keep(const std::filesystem::path& path, const Kept& kept,
          std::optional<Kept> (*parse)(const std::string& text)) {
  std::ofstream(path) << to_text(kept);
  const std::optional<std::string> written = read_text(path);
  return written && parse(*written) == kept;
}

std::uint64_t now_in_filetime() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return (std::uint64_t{now.dwHighDateTime} << 32U) | now.dwLowDateTime;
}

const std::string kAdvice = "; set wuauserv as it should be (services.msc) and delete the note";

// The note as this machine can use it; else why not, and what to do.
std::variant<Note, std::string> read_note(const std::filesystem::path& path) {
  const std::optional<std::string> text = read_text(path);
  if (!text) return shown(path) + " cannot be read" + kAdvice;
  std::optional<Note> note = note_from_text(*text);
  if (!note) return shown(path) + " does not hold a note of wuauserv" + kAdvice;
  if (note->machine != this_machine()) {
    return shown(path) + " was written on " + note->machine + ", not on " + this_machine() +
           kAdvice;
  }
  return *note;
}

// The marks of tests beside the note: NOTE.TEST.BEGAN.mark, one a test run.
std::filesystem::path mark_for(const std::filesystem::path& note, const Mark& mark) {
  return std::filesystem::path(note).concat(L"." + winapi::wide_from_utf8(mark.test) + L"." +
                                            std::to_wstring(mark.began) + L".mark");
}

std::vector<std::filesystem::path> marks_beside(const std::filesystem::path& note) {
  const std::wstring prefix = note.filename().wstring() + L".";
  std::vector<std::filesystem::path> marks;
  std::error_code ignored;
  const std::filesystem::path folder = note.has_parent_path() ? note.parent_path() : ".";
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    const std::wstring name = entry.path().filename().wstring();
    if (name.starts_with(prefix) && name.ends_with(L".mark")) marks.push_back(entry.path());
  }
  return marks;
}

// The marks left beside the note, earliest first; else why one cannot be
// trusted.
std::variant<std::vector<Mark>, std::string> read_marks(const std::filesystem::path& note) {
  std::vector<Mark> marks;
  for (const std::filesystem::path& path : marks_beside(note)) {
    const std::optional<std::string> text = read_text(path);
    std::optional<Mark> mark = text ? mark_from_text(*text) : std::nullopt;
    if (!mark) return shown(path) + " does not hold a mark of a test" + kAdvice + " and the marks";
    marks.push_back(*mark);
  }
  std::ranges::sort(marks, {}, &Mark::began);
  return marks;
}

std::optional<std::filesystem::path> note_of_this_run() {
  const wchar_t* path = _wgetenv(L"ORVANEL_SERVICE_NOTE");
  if (path == nullptr || *path == L'\0') return std::nullopt;
  return std::filesystem::path(path);
}

// The hold of the test under way, which the keeper restores.
std::optional<ServiceHold> held;

}  // namespace

std::optional<ServiceRecord> wuauserv_record() {
  const auto opened = open_wuauserv(SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
  const auto* service = std::get_if<unique_service>(&opened);
  if (service == nullptr) return std::nullopt;
  const std::optional<DWORD> type = start_type(service->get());
  const std::optional<DWORD> state = current_state(service->get());
  if (!type || !state) return std::nullopt;
  return ServiceRecord{*type, *state == SERVICE_RUNNING || *state == SERVICE_START_PENDING};
}

std::string wuauserv_state() {
  const auto opened = open_wuauserv(SERVICE_QUERY_STATUS);
  if (const auto* failed = std::get_if<Refused>(&opened)) return failed->text();
  const std::optional<DWORD> state = current_state(std::get<unique_service>(opened).get());
  if (!state) return refused("QueryServiceStatus").text();
  if (*state == SERVICE_RUNNING) return "Running";
  if (*state == SERVICE_STOPPED) return "Stopped";
  return "state " + std::to_string(*state);
}

std::string set_wuauserv_running(bool running) {
  const auto opened =
      open_wuauserv(SERVICE_QUERY_STATUS | (running ? SERVICE_START : SERVICE_STOP));
  if (const auto* failed = std::get_if<Refused>(&opened)) return failed->text();
  return bring_to(std::get<unique_service>(opened).get(), running);
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
  auto opened = open_wuauserv(access);
  if (const auto* failed = std::get_if<Refused>(&opened)) return failed->text();
  const SC_HANDLE service = std::get<unique_service>(opened).get();
  if (state_differs) {
    if (record.running && now->start_type == DWORD{SERVICE_DISABLED} &&
        !set_start_type(service, SERVICE_DEMAND_START)) {
      return refused("ChangeServiceConfig").text();
    }
    std::string failed = bring_to(service, record.running);
    if (!failed.empty()) return failed;
  }
  if (start_type(service) != record.start_type && !set_start_type(service, record.start_type)) {
    return refused("ChangeServiceConfig").text();
  }
  return {};
}

int record_as_found(const std::filesystem::path& path) {
  std::printf("elevated: %s; the tests may change wuauserv: %s\n",
              running_elevated() ? "yes" : "no",
              can_control_service() ? "yes" : service_control_refused().c_str());
  const int refusal = service_tests_required() ? 1 : 0;
  if (!can_control_service()) {
    std::printf("this run leaves wuauserv alone and keeps no note of it\n");
    return refusal;
  }
  const std::optional<ServiceRecord> record = wuauserv_record();
  if (!record) {
    std::printf("wuauserv cannot be asked here: nothing to record\n");
    return refusal;
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
    if (!keep(path, Note{this_machine(), *record}, &note_from_text)) {
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
    // Kept by a run that may change the service, for such a run to restore.
    std::printf("this run may not change wuauserv (%s): %s stays\n",
                service_control_refused().c_str(), shown(path).c_str());
    return 0;
  }
  const std::variant<Note, std::string> note = read_note(path);
  const std::variant<std::vector<Mark>, std::string> marks = read_marks(path);
  for (const std::string* why :
       {std::get_if<std::string>(&note), std::get_if<std::string>(&marks)}) {
    if (why != nullptr) {
      std::fprintf(stderr, "%s: nothing changed\n", why->c_str());
      return 1;
    }
  }
  ServiceRecord record = std::get<Note>(note).record;
  const std::vector<Mark>& cut_short = std::get<std::vector<Mark>>(marks);
  for (const Mark& mark : cut_short) {
    std::printf("%s was cut short before it gave wuauserv back\n", mark.test.c_str());
  }
  if (!cut_short.empty()) {
    record.running = cut_short.front().record.running;
    std::printf("wuauserv gets back whether it ran before %s: %s\n", cut_short.front().test.c_str(),
                record.running ? "running" : "stopped");
  }
  const std::string failed = restore_wuauserv(record, !cut_short.empty());
  if (!failed.empty()) {
    std::fprintf(stderr, "wuauserv not restored: %s\n", failed.c_str());
    return 1;
  }
  for (const std::filesystem::path& mark : marks_beside(path)) std::filesystem::remove(mark);
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
  const auto opened = open_wuauserv(SERVICE_CHANGE_CONFIG);
  if (const auto* failed = std::get_if<Refused>(&opened)) return failed->text();
  if (!set_start_type(std::get<unique_service>(opened).get(), type)) {
    return refused("ChangeServiceConfig").text();
  }
  return {};
}

std::variant<ServiceHold, std::string> ServiceHold::take(
    const std::string& test, const std::optional<std::filesystem::path>& note) {
  const std::optional<ServiceRecord> before = wuauserv_record();
  if (!before) return "wuauserv cannot be asked: " + test + " changes nothing";
  if (!note) return ServiceHold(*before, std::nullopt);
  const Mark mark{test, now_in_filetime(), *before};
  std::filesystem::path path = mark_for(*note, mark);
  if (!keep(path, mark, &mark_from_text)) {
    return "the mark of " + test + " could not be kept in " + shown(path) + ": nothing changed";
  }
  return ServiceHold(*before, std::move(path));
}

std::string ServiceHold::give_back() const {
  std::string failed = restore_wuauserv(before_, true);
  if (failed.empty() && mark_) {
    std::error_code ignored;
    std::filesystem::remove(*mark_, ignored);
  }
  return failed;
}

std::string hold_wuauserv_for_this_test() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  if (held || test == nullptr) return {};
  auto hold = ServiceHold::take(std::string(test->test_suite_name()) + "." + test->name(),
                                note_of_this_run());
  if (const auto* why = std::get_if<std::string>(&hold)) return *why;
  held = std::move(std::get<ServiceHold>(hold));
  return {};
}

void ServiceKeeper::OnTestEnd(const ::testing::TestInfo& test) {
  if (!held) return;
  const std::string failed = held->give_back();
  held.reset();
  if (!failed.empty()) {
    std::fprintf(stderr, "%s.%s left wuauserv changed: %s\n", test.test_suite_name(), test.name(),
                 failed.c_str());
  }
}

}  // namespace orvanel::testing
