#include <gtest/gtest.h>

#include "winapi/com.h"

// The tests run on one COM apartment, as the program does.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const orvanel::winapi::apartment apartment;
  if (FAILED(apartment.result())) return 2;
  return RUN_ALL_TESTS();
}
