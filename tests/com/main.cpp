#include <gtest/gtest.h>

#include "support/service_state.h"
#include "winapi/com.h"

// The tests run on one COM apartment, as the program does.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Several tests stop and start wuauserv; it is given back after each.
  ::testing::UnitTest::GetInstance()->listeners().Append(new orvanel::testing::ServiceKeeper);
  const orvanel::winapi::apartment apartment;
  if (FAILED(apartment.result())) return 2;
  return RUN_ALL_TESTS();
}
