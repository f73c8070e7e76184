#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "service/com_automation.h"
#include "support/service_state.h"

namespace orvanel {
namespace {

using namespace std::string_literals;

constexpr std::string_view kMoniker = "winmgmts:\\\\.\\root\\cimv2";

Object query(std::string_view name) {
  const Object services = com::MonikerBinder().bind(kMoniker);
  const Value text{"Select * from Win32_Service where Name = '" + std::string(name) + "'"};
  return object_of(services.call("ExecQuery", {&text, 1}));
}

std::vector<Object> elements(const Object& collection) {
  std::vector<Object> found;
  Enumeration walk = collection.enumerate();
  while (std::optional<Object> next = walk.next()) found.push_back(std::move(*next));
  return found;
}

TEST(Wmi, StateFollowsTheServiceControlTool) {
  ORVANEL_REQUIRE_SERVICE_CONTROL();
  for (const bool running : {true, false, true}) {
    ASSERT_EQ(testing::set_wuauserv_running(running), "");
    const std::vector<Object> found = elements(query("wuauserv"));
    ASSERT_EQ(found.size(), 1U);
    const std::string reported = testing::wuauserv_state();
    EXPECT_TRUE(reported == "Running" || reported == "Stopped") << reported;
    EXPECT_EQ(text_of(found[0].property("State")), reported);
  }
  EXPECT_EQ(testing::wuauserv_state(), "Running");
  ASSERT_EQ(testing::set_wuauserv_running(false), "");
  EXPECT_EQ(text_of(elements(query("wuauserv")).at(0).property("State")), "Stopped");
}

// Wine's WMI refuses the methods with a failure; Windows' answers them with a
// return value. Asked of a service already in the state asked for, they
// change nothing there: Windows answers 10 (already running) or 6 (not
// started), or 2 without the rights, and raises nothing. Windows Update may
// change the state between the look and the call, so on Windows only a run
// that may change the service calls them.
TEST(Wmi, MethodCallsFailUnderWineAndAreAnsweredOnWindows) {
  const std::vector<Object> found = elements(query("wuauserv"));
  ASSERT_EQ(found.size(), 1U);
  if (!testing::under_wine()) {
    ORVANEL_REQUIRE_SERVICE_CONTROL();
    const std::string state = text_of(found[0].property("State"));
    const char* harmless = state == "Running" ? "StartService" : "StopService";
    EXPECT_NO_THROW(found[0].call_without_result(harmless)) << harmless << " when " << state;
    EXPECT_EQ(testing::wuauserv_state(), state);
    return;
  }
  for (const char* method : {"StartService", "StopService"}) {
    try {
      found[0].call(method);
      // A Wine that implements the call would pass here; this one must not.
      ADD_FAILURE() << method << " succeeded";
    } catch (const Failure& failure) {
      EXPECT_LT(failure.number(), 0) << method;
      EXPECT_FALSE(failure.description().empty()) << method;
    }
  }
}

// A run cut short leaves the note of how the service was found and the
// service changed; the next run must give back what the first found. A test
// cut short leaves its mark beside the note, which later tests leave alone,
// and the restore gives back how the service stood before it. The note's
// folder is named outside the ANSI code page, as a build folder may be; a
// note or a mark that cannot be trusted stops the run before it changes
// anything.
TEST(Wmi, AnEarlierRunsNoteOfTheServiceIsKeptAndGivenBack) {
  ORVANEL_REQUIRE_SERVICE_CONTROL();
  const std::optional<testing::ServiceRecord> found = testing::wuauserv_record();
  ASSERT_TRUE(found.has_value());
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / L"заметка";
  std::filesystem::create_directories(folder);
  const std::filesystem::path note = folder / L"wuauserv-note-test.txt";
  std::filesystem::remove(note);
  ASSERT_EQ(testing::record_as_found(note), 0);
  ASSERT_TRUE(std::filesystem::exists(note));
  const auto marks = [&] {
    std::vector<std::filesystem::path> found_marks;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() == L".mark") found_marks.push_back(entry.path());
    }
    return found_marks;
  };

  // A test cut short after it stopped the running service, then a test that
  // started it and gave it back at its end.
  const DWORD type = testing::wuauserv_record()->start_type;
  ASSERT_EQ(testing::restore_wuauserv({type, true}, true), "");
  ASSERT_TRUE(
      std::holds_alternative<testing::ServiceHold>(testing::ServiceHold::take("Cut.Short", note)));
  ASSERT_EQ(testing::restore_wuauserv({type, false}, true), "");
  const auto finished = testing::ServiceHold::take("Ran.ToItsEnd", note);
  ASSERT_TRUE(std::holds_alternative<testing::ServiceHold>(finished));
  ASSERT_EQ(testing::restore_wuauserv({type, true}, true), "");
  EXPECT_EQ(std::get<testing::ServiceHold>(finished).give_back(), "");
  EXPECT_FALSE(testing::wuauserv_record()->running) << "not given back as the test found it";
  ASSERT_EQ(marks().size(), 1U) << "a mark outlived its test, or a test removed another's";
  EXPECT_NE(marks().front().filename().wstring().find(L".Cut.Short."), std::wstring::npos);

  // A start type other than the one found, which neither a record (it lets a
  // disabled service start) nor a restore may leave as it is.
  const DWORD other = found->start_type == DWORD{SERVICE_DISABLED} ? DWORD{SERVICE_AUTO_START}
                                                                   : DWORD{SERVICE_DISABLED};
  // Wine's sc.exe takes no "config"; the service manager does.
  ASSERT_EQ(testing::set_wuauserv_start_type(other), "");
  ASSERT_EQ(testing::record_as_found(note), 0);
  ASSERT_EQ(testing::set_wuauserv_start_type(other), "");

  // Kept aside while notes nobody can trust are put in its place.
  const std::filesystem::path kept = folder / L"kept.txt";
  std::filesystem::rename(note, kept);
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  ASSERT_TRUE(GetComputerNameA(name, &size));
  const std::string here = "machine " + std::string(name, size);
  // Unreadable, written on another machine, and a start type only drivers
  // have (https://learn.microsoft.com/windows/win32/api/winsvc/nf-winsvc-changeserviceconfigw:
  // 1 is SERVICE_SYSTEM_START).
  for (const std::string& untrusted :
       {"start type 3, stopped\n"s, here + "\nstart_type 3\n"s,
        "machine ANOTHER-PC\nstart_type 3\nrunning 0\n"s, here + "\nstart_type 1\nrunning 0\n"s}) {
    SCOPED_TRACE(untrusted);
    std::ofstream(note) << untrusted;
    EXPECT_NE(testing::record_as_found(note), 0);
    EXPECT_NE(testing::restore_as_found(note), 0);
    std::ifstream left(note);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(left), {}), untrusted);
    left.close();
    EXPECT_EQ(testing::wuauserv_record()->start_type, other)
        << "the service changed on a note not trusted";
  }
  std::filesystem::rename(kept, note);
  const std::filesystem::path garbled = note.wstring() + L".Garbled.1.mark";
  std::ofstream(garbled) << "test Garbled\nbegan 1\n";
  EXPECT_NE(testing::restore_as_found(note), 0);
  EXPECT_EQ(testing::wuauserv_record()->start_type, other) << "changed on a mark not trusted";
  std::filesystem::remove(garbled);

  ASSERT_EQ(testing::restore_as_found(note), 0);
  EXPECT_EQ(testing::wuauserv_record(), (testing::ServiceRecord{found->start_type, true}))
      << "not as it stood before the test that was cut short";
  EXPECT_FALSE(std::filesystem::exists(note)) << "the note outlived the restore";
  EXPECT_TRUE(marks().empty()) << "a mark outlived the restore";
  std::filesystem::remove(folder);
}

TEST(Wmi, AnAbsentServiceGivesAnEmptyCollection) {
  EXPECT_TRUE(elements(query("orvanel_no_such_service")).empty());
}

TEST(Wmi, ABadMonikerFailsCleanly) {
  for (const char* moniker : {"winmgmts:\\\\.\\root\\no_such_namespace", "nonsense:", ""}) {
    try {
      (void)com::MonikerBinder().bind(moniker);
      ADD_FAILURE() << "bound " << moniker;
    } catch (const Failure& failure) {
      EXPECT_LT(failure.number(), 0) << moniker;
      EXPECT_FALSE(failure.description().empty()) << moniker;
    }
  }
}

}  // namespace
}  // namespace orvanel
