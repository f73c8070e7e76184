#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "app/startup.h"
#include "e2e/app.h"
#include "support/service_state.h"

// orvanel_e2e [gtest flags] PROGRAM SIMULATED_PROGRAM
// The arguments come wide: a build folder's name need not fit the ANSI code
// page.
int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new orvanel::testing::ServiceKeeper);
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvanel_e2e [gtest flags] ORVANEL_EXE ORVANEL_SIM_EXE\n");
    return 2;
  }
  // Coordinates in physical pixels at the program window's own resolution,
  // as the program itself is aware of each monitor's.
  orvanel::win32::become_dpi_aware();
  orvanel::testing::Programs::real = orvanel::testing::windows_path(argv[1]);
  orvanel::testing::Programs::simulated = orvanel::testing::windows_path(argv[2]);
  return RUN_ALL_TESTS();
}
