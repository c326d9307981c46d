#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "app/settings.h"

namespace skylark {
namespace {

TEST(StoredFrequency, RoundsToHundredthsOfAKilohertz) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* what;
    double kHz;
    std::uint32_t stored;
  } cases[] = {
      {"parsed from the receiver's text", std::strtod("283.9", nullptr), 28390},
      {"just under a half rounds down", 300.004999, 30000},
      {"a half rounds up", 300.005, 30001},
      {"negative", -283.5, 0},
      {"not a number", std::nan(""), 0},
      {"infinity saturates", inf, UINT32_MAX},
      {"the largest storable", 42949672.95, UINT32_MAX},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StoredFrequency(c.kHz), c.stored) << c.what;
  }
}

}  // namespace
}  // namespace skylark
