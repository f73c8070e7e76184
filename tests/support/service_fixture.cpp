// Before the Windows tests, notes how wuauserv stands and lets it start if
// it is disabled (as hosted runners' images have it); after them, gives it
// back, however the tests ended.
//   orvanel_service_fixture record|restore FILE
// The arguments come wide: a build folder's name need not fit the ANSI code
// page.
#include <cstdio>
#include <string_view>

#include "support/service_state.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvanel_service_fixture record|restore FILE\n");
    return 2;
  }
  const std::wstring_view verb = argv[1];
  if (verb == L"record") return orvanel::testing::record_as_found(argv[2]);
  if (verb == L"restore") return orvanel::testing::restore_as_found(argv[2]);
  std::fprintf(stderr, "unknown verb %ls\n", argv[1]);
  return 2;
}
