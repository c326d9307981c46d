#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "sites/beacon_site.h"

namespace skylark {
namespace {

using namespace std::string_view_literals;

struct NumberCase {
  std::string_view field;
  int rate;        // column 3, low 8 bits
  int hertz;       // column 4, before the scaling to kHz
  int stationId;   // column 5, low 16 bits
};

// The atoi rule with wrap-around instead of overflow, then each column's truncation.
TEST(SetColumn, ConvertsNumbersByTheAtoiRule) {
  const NumberCase cases[] = {
      {"100"sv, 100, 100, 100},
      {"  \t+42"sv, 42, 42, 42},
      {"-56"sv, 200, -56, 65480},
      {"256"sv, 0, 256, 256},
      {"300"sv, 44, 300, 300},
      {"70000"sv, 112, 70000, 4464},
      {"12abc"sv, 12, 12, 12},
      {"298.5"sv, 42, 298, 298},
      {"MSK"sv, 0, 0, 0},
      {""sv, 0, 0, 0},
      {"-"sv, 0, 0, 0},
      {"+-5"sv, 0, 0, 0},
      {"\"100\""sv, 0, 0, 0},
      {"2147483647"sv, 255, 2147483647, 65535},
      {"2147483648"sv, 0, -2147483647 - 1, 0},
      {"4294967396"sv, 100, 100, 100},
      {"-4294967295"sv, 1, 1, 1},
      {"99999999999999999999999"sv, 255, -159383553, 65535},
      {"1\0" "00"sv, 1, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field));
    BeaconSite site;
    for (int column = 3; column <= 6; ++column) site.SetColumn(column, c.field);
    EXPECT_EQ(site.MskRate, c.rate);
    EXPECT_DOUBLE_EQ(site.Frequency, c.hertz / 1000.0);
    EXPECT_EQ(site.StationId, c.stationId);
    EXPECT_EQ(site.StationId2, c.stationId);
  }
}

TEST(SetColumn, WidensTextBytesOneToOneWithoutTrimming) {
  const struct {
    std::string_view field;
    std::u16string_view text;
  } cases[] = {
      {"Europe"sv, u"Europe"},
      {" \"Harbour Point\" \t"sv, u" \"Harbour Point\" \t"},
      {"G\xF6teborg"sv, u"G\u00F6teborg"},
      {"\x80\xA0\xFF"sv, u"\u0080\u00A0\u00FF"},
      {"Eu\0rope"sv, u"Eu"},
      {""sv, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field));
    BeaconSite site;
    site.SetColumn(0, c.field);
    site.SetColumn(1, c.field);
    site.SetColumn(2, c.field);
    EXPECT_EQ(site.Region, c.text);
    EXPECT_EQ(site.Country, c.text);
    EXPECT_EQ(site.Beacon, c.text);
  }
}

TEST(SetColumn, IgnoresColumnsOutsideTheRecord) {
  BeaconSite site;
  for (const int column : {-1, 7, 8, 1000}) site.SetColumn(column, "123");
  EXPECT_EQ(site, BeaconSite{});
}

}  // namespace
}  // namespace skylark
