// Before the Windows tests, notes how wuauserv stands and lets it start if
// it is disabled (as hosted runners' images have it); after them, gives both
// back, however the tests ended.
//   orvanel_service_fixture record|restore FILE
#include <cstdio>
#include <string>

#include "support/service_state.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s record|restore FILE\n", argv[0]);
    return 2;
  }
  const std::string verb = argv[1];
  if (verb == "record") return orvanel::testing::record_as_found(argv[2]);
  if (verb == "restore") return orvanel::testing::restore_as_found(argv[2]);
  std::fprintf(stderr, "unknown verb %s\n", verb.c_str());
  return 2;
}
