#include <gtest/gtest.h>

#include <string>

#include "host/saver_main.h"

namespace glimmerkin {
namespace {

struct Recorder final : SaverModes {
  int RunConfigureDialog(bool foregroundParent) override {
    log = foregroundParent ? "config foreground" : "config none";
    return 1;
  }
  int RunFullScreen() override {
    log = "fullscreen";
    return 0;
  }
  int RunPreview(const char* text) override {
    log = "preview " + std::to_string(ParseDecimal(text)) + " [" + text + "]";
    return 7;
  }
  int RunChangePassword(const char* text) override {
    log = std::string("password [") + text + "]";
    return 99;  // the mode's own result never leaves: 'a' exits with 0
  }
  std::string log;
};

struct Case {
  const char* arguments;
  int code;
  const char* log;
};

TEST(SaverMain, SwitchesAndExitCodes) {
  const Case cases[] = {
      {"", 1, "config none"},
      {" -/ --//", 1, "config none"},
      {"-/-s", 0, "fullscreen"},
      {"/S", 0, "fullscreen"},
      {"s", 0, "fullscreen"},
      {"/sx", 0, "fullscreen"},
      {"/s /c", 0, "fullscreen"},
      {"/c:1234", 1, "config foreground"},
      {"C", 1, "config foreground"},
      {"/p 1234", 7, "preview 1234 [1234]"},
      {"/p1234", 7, "preview 1234 [1234]"},
      {"/p:1234", 7, "preview 0 [:1234]"},
      {"/L   42abc", 7, "preview 42 [42abc]"},
      {"/p", 7, "preview 0 []"},
      {"/a 77", 0, "password [77]"},
      {"/A", 0, "password []"},
      {"/\ts", -1, ""},
      {"\t/s", -1, ""},
      {"/x", -1, ""},
      {"5", -1, ""},
      {"/\x80", -1, ""},
      {"/\xe9s", -1, ""},
  };
  for (const auto& c : cases) {
    Recorder r;
    EXPECT_EQ(SaverMain(c.arguments, r), c.code) << c.arguments;
    EXPECT_EQ(r.log, c.log) << c.arguments;
  }
  Recorder r;
  EXPECT_EQ(SaverMain(nullptr, r), 1);
}

TEST(ParseDecimal, LeadingDigitsWrapAndStop) {
  EXPECT_EQ(ParseDecimal("0"), 0u);
  EXPECT_EQ(ParseDecimal("123abc"), 123u);
  EXPECT_EQ(ParseDecimal(" 123"), 0u);
  EXPECT_EQ(ParseDecimal("-5"), 0u);
  EXPECT_EQ(ParseDecimal("+5"), 0u);
  EXPECT_EQ(ParseDecimal("4294967295"), 4294967295u);
  EXPECT_EQ(ParseDecimal("4294967296"), 0u);
  EXPECT_EQ(ParseDecimal("4294967306"), 10u);
  EXPECT_EQ(ParseDecimal("99999999999"), 1215752191u);  // modulo 2^32
  EXPECT_EQ(ParseDecimal(""), 0u);
  EXPECT_EQ(ParseDecimal(nullptr), 0u);
}

TEST(MoveThreshold, ManhattanDistanceOverFourCloses) {
  EXPECT_FALSE(MovedPastThreshold(100, 100, 100, 100));
  EXPECT_FALSE(MovedPastThreshold(100, 100, 104, 100));
  EXPECT_TRUE(MovedPastThreshold(100, 100, 105, 100));
  EXPECT_FALSE(MovedPastThreshold(100, 100, 102, 102));
  EXPECT_TRUE(MovedPastThreshold(100, 100, 103, 102));
  EXPECT_TRUE(MovedPastThreshold(100, 100, 97, 98));
  EXPECT_FALSE(MovedPastThreshold(100, 100, 98, 98));
  EXPECT_TRUE(MovedPastThreshold(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
}

}  // namespace
}  // namespace glimmerkin
