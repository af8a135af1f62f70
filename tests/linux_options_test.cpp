#include "host/linux/linux_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/linux/desktop_delay.h"
#include "host/saver_main.h"

namespace glimmerkin {
namespace {

LinuxOptions Parse(std::vector<const char*> args) {
  return ParseLinuxOptions(static_cast<int>(args.size()), args.data());
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

std::string Scan(const LinuxOptions& options, int* result = nullptr) {
  RecordingModes modes;
  const int r = SaverMain(options.arguments.c_str(), modes);
  if (result != nullptr) *result = r;
  return modes.call;
}

TEST(LinuxOptionWordsTest, SwitchWordsStillReachTheScanner) {
  for (const std::string_view word : LinuxOptionWords()) {
    ASSERT_FALSE(word.empty());
    if (word.size() == 1) {  // never a bare switch letter
      EXPECT_EQ(std::string("csplaCSPLA").find(word[0]), std::string::npos) << word;
    }
  }
  // Words are matched whole: a switch that shares a word's first letter, or
  // a word's prefix, is still the scanner's.
  for (const char* arg : {"-p", "/p", "-pixel", "-pixel-sizes", "-sx", "/s", "-a", "-c"}) {
    const LinuxOptions o = Parse({arg, "7"});
    EXPECT_TRUE(o.hasOtherWords) << arg;
    EXPECT_EQ(o.arguments, std::string(arg) + " 7") << arg;
    EXPECT_FALSE(o.pixelSize.has_value()) << arg;
  }
}

TEST(LinuxOptionWordsTest, NewWords) {
  LinuxOptions o = Parse({"-pixel-size", "3", "--geometry=640x480+10-20", "-x11", "-version"});
  EXPECT_TRUE(o.error.empty()) << o.error;
  ASSERT_TRUE(o.pixelSize.has_value());
  EXPECT_EQ(*o.pixelSize, 3);
  ASSERT_TRUE(o.geometry.has_value());
  EXPECT_EQ(o.geometry->width, 640);
  EXPECT_EQ(o.geometry->height, 480);
  EXPECT_TRUE(o.geometry->hasPosition);
  EXPECT_EQ(o.geometry->x, 10);
  EXPECT_EQ(o.geometry->y, 20);
  EXPECT_FALSE(o.geometry->xFromRight);
  EXPECT_TRUE(o.geometry->yFromBottom);
  EXPECT_TRUE(o.forceX11);
  EXPECT_TRUE(o.version);
  EXPECT_FALSE(o.hasOtherWords);
  EXPECT_EQ(Parse({"-background"}).target, DrawTarget::Background);
  // Junk pixel sizes are numbers the pixel-size rule turns automatic; a
  // non-number is an error.
  EXPECT_EQ(*Parse({"-pixel-size", "-7"}).pixelSize, -7);
  EXPECT_FALSE(Parse({"-pixel-size", "two"}).error.empty());
}

TEST(LinuxOptionWordsTest, WatcherWords) {
  const LinuxOptions watch = Parse({"--watch", "-fixed-seed", "4"});
  EXPECT_TRUE(watch.watch);
  EXPECT_FALSE(watch.hasOtherWords);
  EXPECT_EQ(*Parse({"-watch-at-login", "on"}).watchAtLogin, true);
  EXPECT_EQ(*Parse({"--watch-at-login=off"}).watchAtLogin, false);
  const LinuxOptions bad = Parse({"-watch-at-login", "yes"});
  EXPECT_FALSE(bad.watchAtLogin.has_value());
  EXPECT_FALSE(bad.error.empty());
  EXPECT_FALSE(Parse({"-watch-at-login"}).error.empty());
}

TEST(DesktopDelayTest, GsettingsAnswers) {
  EXPECT_EQ(ParseGsettingsUint("uint32 300\n"), 300);
  EXPECT_EQ(ParseGsettingsUint("uint32 90"), 90);
  // 0 is GNOME's "never": no delay to come before.
  EXPECT_FALSE(ParseGsettingsUint("uint32 0\n").has_value());
  EXPECT_FALSE(ParseGsettingsUint("300\n").has_value());
  EXPECT_FALSE(ParseGsettingsUint("uint32 -5").has_value());
  EXPECT_FALSE(ParseGsettingsUint("uint32 4294967295").has_value());
  EXPECT_FALSE(ParseGsettingsUint("").has_value());
}

TEST(LinuxOptionWordsTest, Geometry) {
  EXPECT_FALSE(ParseGeometry("").has_value());
  EXPECT_FALSE(ParseGeometry("640").has_value());
  EXPECT_FALSE(ParseGeometry("0x480").has_value());
  EXPECT_FALSE(ParseGeometry("640x0").has_value());
  EXPECT_FALSE(ParseGeometry("65537x10").has_value());
  EXPECT_FALSE(ParseGeometry("640x480+").has_value());
  EXPECT_FALSE(ParseGeometry("640x480+1").has_value());
  EXPECT_FALSE(ParseGeometry("640x480+-1+2").has_value());
  EXPECT_FALSE(ParseGeometry("640x480+1+2junk").has_value());
  EXPECT_FALSE(ParseGeometry("x480").has_value());
  const auto plain = ParseGeometry("65536X1");
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(plain->width, 65536);
  EXPECT_EQ(plain->height, 1);
  EXPECT_FALSE(plain->hasPosition);
  const auto corner = ParseGeometry("10x20-0-0");
  ASSERT_TRUE(corner.has_value());
  EXPECT_TRUE(corner->xFromRight);
  EXPECT_TRUE(corner->yFromBottom);
  EXPECT_EQ(corner->x, 0);
}

TEST(LinuxOptionWordsTest, UnknownWords) {
  EXPECT_EQ(UnknownWord(""), "");
  EXPECT_EQ(UnknownWord("/s"), "");
  EXPECT_EQ(UnknownWord("-/-S"), "");
  EXPECT_EQ(UnknownWord("/p 123"), "");
  EXPECT_EQ(UnknownWord("/sx"), "");
  EXPECT_EQ(UnknownWord("-h"), "-h");
  EXPECT_EQ(UnknownWord("--frobnicate 3"), "--frobnicate");
  EXPECT_EQ(UnknownWord("5"), "5");
  EXPECT_EQ(UnknownWord("- /x"), "/x");
  EXPECT_EQ(UnknownWord("/\ts"), "/\ts");
}

TEST(LinuxOptionWordsTest, OneOrTwoDashes) {
  for (const char* root : {"-root", "--root"}) {
    const LinuxOptions o = Parse({root});
    EXPECT_EQ(o.target, DrawTarget::Root) << root;
    EXPECT_FALSE(o.hasOtherWords);
    EXPECT_TRUE(o.error.empty());
  }
  EXPECT_EQ(Parse({"-window"}).target, DrawTarget::NewWindow);
  EXPECT_EQ(Parse({"--window"}).target, DrawTarget::NewWindow);
  // Three dashes are not an option word: the scanner sees them.
  const LinuxOptions three = Parse({"---root"});
  EXPECT_EQ(three.target, DrawTarget::None);
  EXPECT_EQ(three.arguments, "---root");
  // Without dashes neither.
  EXPECT_EQ(Parse({"root"}).arguments, "root");
}

TEST(LinuxOptionWordsTest, WindowIdDecimalOrHex) {
  LinuxOptions o = Parse({"-window-id", "12345"});
  EXPECT_EQ(o.target, DrawTarget::WindowId);
  EXPECT_EQ(o.windowId, 12345u);
  o = Parse({"--window-id", "0x2a00007"});
  EXPECT_EQ(o.windowId, 0x2a00007u);
  o = Parse({"--window-id=0XFFFFFFFF"});
  EXPECT_EQ(o.windowId, 0xffffffffu);
  EXPECT_TRUE(o.error.empty());
}

TEST(LinuxOptionWordsTest, BadWindowIdsAreErrors) {
  for (const char* bad : {"0", "0x0", "", "0x", "x12", "12x", "-5", "+5", " 5", "4294967296",
                          "0x100000000", "99999999999999999999999"}) {
    const LinuxOptions o = Parse({"-window-id", bad});
    EXPECT_FALSE(o.error.empty()) << bad;
    EXPECT_EQ(o.target, DrawTarget::None) << bad;
  }
  EXPECT_FALSE(Parse({"-window-id"}).error.empty());
}

TEST(LinuxOptionWordsTest, SettingsOverrides) {
  const LinuxOptions o = Parse({"-redraw-speed", "7", "--num-aliens", "-3"});
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

TEST(LinuxOptionWordsTest, TestingAids) {
  const LinuxOptions o = Parse({"-fixed-seed", "4294967295", "--frame-limit=12"});
  EXPECT_EQ(o.fixedSeed, 4294967295u);
  EXPECT_EQ(o.frameLimit, 12u);
  EXPECT_FALSE(Parse({"-fixed-seed", "-1"}).error.empty());
  EXPECT_FALSE(Parse({"-frame-limit", "4294967296"}).error.empty());
}

TEST(LinuxOptionWordsTest, FlagWordsTakeNoValue) {
  // "--root=1" is not the word root; the scanner then rejects it.
  const LinuxOptions o = Parse({"--root=1"});
  EXPECT_EQ(o.target, DrawTarget::None);
  int result = 0;
  Scan(o, &result);
  EXPECT_EQ(result, -1);
}

TEST(LinuxOptionWordsTest, LastTargetWins) {
  const LinuxOptions o = Parse({"-window-id", "5", "-root"});
  EXPECT_EQ(o.target, DrawTarget::Root);
}

// The switch scanner's own cases hold with the option words around them.
TEST(LinuxOptionWordsTest, ScannerCasesUnchanged) {
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
      const LinuxOptions o = Parse(args);
      ASSERT_TRUE(o.error.empty());
      int result = 0;
      EXPECT_EQ(Scan(o, &result), c.call) << o.arguments << " placement " << placement;
      EXPECT_EQ(result, c.result) << o.arguments;
      EXPECT_EQ(o.target, DrawTarget::None);
    }
  }
}

TEST(LinuxOptionWordsTest, OtherWordsJoinedWithBlanks) {
  const LinuxOptions o = Parse({"/p", "42", "-root"});
  EXPECT_EQ(o.arguments, "/p 42");
  EXPECT_TRUE(o.hasOtherWords);
  EXPECT_EQ(o.target, DrawTarget::Root);
  EXPECT_TRUE(Parse({""}).hasOtherWords);
}

TEST(LinuxOptionWordsTest, ParsersRejectTrailingText) {
  EXPECT_EQ(ParseWindowId("0x1f"), 31u);
  EXPECT_FALSE(ParseWindowId("0x1g").has_value());
  EXPECT_FALSE(ParseUnsigned("1 ").has_value());
  EXPECT_EQ(ParseSigned("+12"), 12);
  EXPECT_FALSE(ParseSigned("-").has_value());
  EXPECT_FALSE(ParseSigned("").has_value());
}

}  // namespace
}  // namespace glimmerkin

namespace glimmerkin {
namespace {

TEST(LinuxOptionWordsTest, HelpListsEveryWord) {
  const std::string usage = LinuxUsage();
  for (const std::string_view word : LinuxOptionWords())
    EXPECT_NE(usage.find("-" + std::string(word)), std::string::npos) << word;
}

}  // namespace
}  // namespace glimmerkin
