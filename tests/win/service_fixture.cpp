// Before the Windows tests, notes how wuauserv stands and lets it start if
// it is disabled (as hosted runners' images have it); after them, gives both
// back, however the tests ended.
//   orvanel_service_fixture record|restore FILE
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "win/process.h"
#include "win/service_state.h"

int main(int argc, char** argv) {
  using namespace orvanel::testing;
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s record|restore FILE\n", argv[0]);
    return 2;
  }
  const std::string verb = argv[1];
  const char* path = argv[2];
  if (verb == "record") {
    const std::optional<ServiceRecord> record = wuauserv_record();
    if (!record) {
      std::printf("wuauserv cannot be asked here: nothing to record\n");
      return 0;
    }
    std::ofstream(path) << to_text(*record);
    std::printf("wuauserv: start type %lu, %s; kept in %s\n", record->start_type,
                record->running ? "running" : "stopped", path);
    if (can_control_service()) {
      const std::string failed = let_wuauserv_start();
      if (!failed.empty()) std::printf("%s\n", failed.c_str());
    }
    return 0;
  }
  if (verb == "restore") {
    std::ifstream file(path);
    if (!file) {
      std::printf("no record of wuauserv in %s: nothing to restore\n", path);
      return 0;
    }
    const std::optional<ServiceRecord> record =
        from_text(std::string(std::istreambuf_iterator<char>(file), {}));
    file.close();
    if (!record) {
      std::fprintf(stderr, "%s does not hold a record of wuauserv\n", path);
      return 1;
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
  std::fprintf(stderr, "unknown verb %s\n", verb.c_str());
  return 2;
}
