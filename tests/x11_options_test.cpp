#include "host/x11/x11_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/saver_main.h"

namespace glimmerkin {
namespace {

X11Options Parse(std::vector<const char*> args) {
  return ParseX11Options(static_cast<int>(args.size()), args.data());
}

// Records which mode the switch scanner chose.
class RecordingModes final : public SaverModes {
 public:
  int RunConfigureDialog(bool foreground) override {
    call = foreground ? "configure-foreground" : "configure";
    return 7;
  }
  int RunFullScreen() override {
    call = "fullscreen";
    return 8;
  }
  int RunPreview(const char* text) override {
    call = "preview:" + std::string(text);
    return 9;
  }
  int RunChangePassword(const char* text) override {
    call = "password:" + std::string(text);
    return 10;
  }
  std::string call = "none";
};

std::string Scan(const X11Options& options, int* result = nullptr) {
  RecordingModes modes;
  const int r = SaverMain(options.arguments.c_str(), modes);
  if (result != nullptr) *result = r;
  return modes.call;
}

TEST(X11OptionWordsTest, NoneStartsWithASwitchLetter) {
  for (const std::string_view word : X11OptionWords()) {
    ASSERT_FALSE(word.empty());
    EXPECT_EQ(std::string("csplaCSPLA").find(word[0]), std::string::npos) << word;
  }
}

TEST(X11OptionWordsTest, OneOrTwoDashes) {
  for (const char* root : {"-root", "--root"}) {
    const X11Options o = Parse({root});
    EXPECT_EQ(o.target, DrawTarget::Root) << root;
    EXPECT_FALSE(o.hasOtherWords);
    EXPECT_TRUE(o.error.empty());
  }
  EXPECT_EQ(Parse({"-window"}).target, DrawTarget::NewWindow);
  EXPECT_EQ(Parse({"--window"}).target, DrawTarget::NewWindow);
  // Three dashes are not an option word: the scanner sees them.
  const X11Options three = Parse({"---root"});
  EXPECT_EQ(three.target, DrawTarget::None);
  EXPECT_EQ(three.arguments, "---root");
  // Without dashes neither.
  EXPECT_EQ(Parse({"root"}).arguments, "root");
}

TEST(X11OptionWordsTest, WindowIdDecimalOrHex) {
  X11Options o = Parse({"-window-id", "12345"});
  EXPECT_EQ(o.target, DrawTarget::WindowId);
  EXPECT_EQ(o.windowId, 12345u);
  o = Parse({"--window-id", "0x2a00007"});
  EXPECT_EQ(o.windowId, 0x2a00007u);
  o = Parse({"--window-id=0XFFFFFFFF"});
  EXPECT_EQ(o.windowId, 0xffffffffu);
  EXPECT_TRUE(o.error.empty());
}

TEST(X11OptionWordsTest, BadWindowIdsAreErrors) {
  for (const char* bad : {"0", "0x0", "", "0x", "x12", "12x", "-5", "+5", " 5", "4294967296",
                          "0x100000000", "99999999999999999999999"}) {
    const X11Options o = Parse({"-window-id", bad});
    EXPECT_FALSE(o.error.empty()) << bad;
    EXPECT_EQ(o.target, DrawTarget::None) << bad;
  }
  EXPECT_FALSE(Parse({"-window-id"}).error.empty());
}

TEST(X11OptionWordsTest, SettingsOverrides) {
  const X11Options o = Parse({"-redraw-speed", "7", "--num-aliens", "-3"});
  ASSERT_TRUE(o.redrawSpeed.has_value());
  ASSERT_TRUE(o.alienCount.has_value());
  EXPECT_EQ(*o.redrawSpeed, 7);
  EXPECT_EQ(*o.alienCount, -3);
  EXPECT_FALSE(o.hasOtherWords);
  EXPECT_EQ(*Parse({"--redraw-speed=2147483647"}).redrawSpeed, 2147483647);
  EXPECT_EQ(*Parse({"--num-aliens=-2147483648"}).alienCount, -2147483647 - 1);
  for (const char* bad : {"2147483648", "-2147483649", "5x", "", "five", "--"})
    EXPECT_FALSE(Parse({"-redraw-speed", bad}).error.empty()) << bad;
  EXPECT_FALSE(Parse({"-num-aliens"}).error.empty());
}

TEST(X11OptionWordsTest, TestingAids) {
  const X11Options o = Parse({"-fixed-seed", "4294967295", "--frame-limit=12"});
  EXPECT_EQ(o.fixedSeed, 4294967295u);
  EXPECT_EQ(o.frameLimit, 12u);
  EXPECT_FALSE(Parse({"-fixed-seed", "-1"}).error.empty());
  EXPECT_FALSE(Parse({"-frame-limit", "4294967296"}).error.empty());
}

TEST(X11OptionWordsTest, FlagWordsTakeNoValue) {
  // "--root=1" is not the word root; the scanner then rejects it.
  const X11Options o = Parse({"--root=1"});
  EXPECT_EQ(o.target, DrawTarget::None);
  int result = 0;
  Scan(o, &result);
  EXPECT_EQ(result, -1);
}

TEST(X11OptionWordsTest, LastTargetWins) {
  const X11Options o = Parse({"-window-id", "5", "-root"});
  EXPECT_EQ(o.target, DrawTarget::Root);
}

// The switch scanner's own cases hold with the option words around them.
TEST(X11OptionWordsTest, ScannerCasesUnchanged) {
  struct Case {
    std::vector<const char*> args;
    std::string call;
    int result;
  };
  const std::vector<Case> cases = {
      {{}, "configure", 7},
      {{" ", "-", "/"}, "configure", 7},
      {{"-/-s"}, "fullscreen", 8},
      {{"/S"}, "fullscreen", 8},
      {{"s"}, "fullscreen", 8},
      {{"/c:123"}, "configure-foreground", 7},
      {{"/p", "123"}, "preview:123", 9},
      {{"/p123"}, "preview:123", 9},
      {{"/p:123"}, "preview::123", 9},
      {{"/l", "77"}, "preview:77", 9},
      {{"/p"}, "preview:", 9},
      {{"/a", "5"}, "password:5", 0},
      {{"/\ts"}, "none", -1},
      {{"/s", "/c"}, "fullscreen", 8},
      {{"/sx"}, "fullscreen", 8},
      {{"/x"}, "none", -1},
      {{"5"}, "none", -1},
  };
  for (const Case& c : cases) {
    for (int placement = 0; placement < 3; ++placement) {
      std::vector<const char*> args;
      if (placement == 1) args = {"-redraw-speed", "3", "--num-aliens", "4", "-fixed-seed", "1"};
      args.insert(args.end(), c.args.begin(), c.args.end());
      if (placement == 2) {
        args.push_back("--frame-limit");
        args.push_back("9");
      }
      const X11Options o = Parse(args);
      ASSERT_TRUE(o.error.empty());
      int result = 0;
      EXPECT_EQ(Scan(o, &result), c.call) << o.arguments << " placement " << placement;
      EXPECT_EQ(result, c.result) << o.arguments;
      EXPECT_EQ(o.target, DrawTarget::None);
    }
  }
}

TEST(X11OptionWordsTest, OtherWordsJoinedWithBlanks) {
  const X11Options o = Parse({"/p", "42", "-root"});
  EXPECT_EQ(o.arguments, "/p 42");
  EXPECT_TRUE(o.hasOtherWords);
  EXPECT_EQ(o.target, DrawTarget::Root);
  EXPECT_TRUE(Parse({""}).hasOtherWords);
}

TEST(X11OptionWordsTest, ParsersRejectTrailingText) {
  EXPECT_EQ(ParseWindowId("0x1f"), 31u);
  EXPECT_FALSE(ParseWindowId("0x1g").has_value());
  EXPECT_FALSE(ParseUnsigned("1 ").has_value());
  EXPECT_EQ(ParseSigned("+12"), 12);
  EXPECT_FALSE(ParseSigned("-").has_value());
  EXPECT_FALSE(ParseSigned("").has_value());
}

}  // namespace
}  // namespace glimmerkin
