#include "settings/ini_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "temp_dir.h"

namespace glimmerkin {
namespace {

int32_t Speed(std::string_view text) {
  return ProfileInt(text, kSettingsSection, kRedrawSpeedKey, kDefaultRedrawSpeed);
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(ProfileIntTest, DefaultsWhenSectionOrKeyMissing) {
  EXPECT_EQ(Speed(""), 5);
  EXPECT_EQ(Speed("[Other]\nRedraw Speed=3\n"), 5);
  EXPECT_EQ(Speed("[Glimmerkin]\nNum Sprites=3\n"), 5);
  EXPECT_EQ(Speed("Redraw Speed=3\n"), 5);  // before any section
  EXPECT_EQ(ProfileInt("[Glimmerkin]\n", kSettingsSection, kAlienCountKey, 9), 9);
}

TEST(ProfileIntTest, SectionAndKeyIgnoreCase) {
  EXPECT_EQ(Speed("[GLIMMERKIN]\nredraw speed=3\n"), 3);
  EXPECT_EQ(Speed("[glimmerkin]\nREDRAW SPEED=4\n"), 4);
  EXPECT_EQ(Speed("  [ Glimmerkin ]  \n  Redraw Speed  =  6  \n"), 6);
  EXPECT_EQ(ProfileInt("[Glimmerkin]\nnum sprites=25\nredraw speed=10\n", kSettingsSection,
                       kAlienCountKey, 9),
            25);
}

TEST(ProfileIntTest, LeadingDecimalNumber) {
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=12abc\n"), 12);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=abc\n"), 0);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=-3\n"), -3);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=+7\n"), 7);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=- 7\n"), 0);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=3.9\n"), 3);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=0x10\n"), 0);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=\"8\"\n"), 8);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=1 2\n"), 1);
}

TEST(ProfileIntTest, EmptyValueOrNoEqualsGivesDefault) {
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=\n"), 5);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=   \n"), 5);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed\n"), 5);
}

TEST(ProfileIntTest, ExtremeNumbersWrap) {
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=2147483647\n"), 2147483647);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=2147483648\n"), -2147483647 - 1);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=4294967297\n"), 1);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=-4294967295\n"), 1);
  // Only the first 29 characters of a value count.
  const std::string digits(28, '0');
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=" + digits + "12\n"), 1);
}

TEST(ProfileIntTest, FirstSectionAndFirstKeyWin) {
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=2\nRedraw Speed=3\n"), 2);
  EXPECT_EQ(Speed("[Glimmerkin]\nNum Sprites=4\n[Glimmerkin]\nRedraw Speed=3\n"), 5);
  EXPECT_EQ(Speed("[Other]\nRedraw Speed=1\n[Glimmerkin]\nRedraw Speed=3\n[X]\n"), 3);
}

TEST(ProfileIntTest, LineEndings) {
  EXPECT_EQ(Speed("[Glimmerkin]\r\nRedraw Speed=3\r\n"), 3);
  EXPECT_EQ(Speed("[Glimmerkin]\rRedraw Speed=4\r"), 4);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=6"), 6);
  EXPECT_EQ(Speed("\xEF\xBB\xBF[Glimmerkin]\nRedraw Speed=6\n"), 6);
}

TEST(ProfileIntTest, BinaryAndLongLinesAreSafe) {
  std::string binary = "[Glimmerkin]\nRedraw Speed=7";
  binary.push_back('\0');
  binary += "9\n";
  EXPECT_EQ(Speed(binary), 7);
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise.push_back(static_cast<char>(i * 37));
  EXPECT_EQ(Speed(noise + "\n[Glimmerkin]\nRedraw Speed=2\n"), 2);
  const std::string longLine(4 << 20, 'x');
  EXPECT_EQ(Speed("[Glimmerkin]\n" + longLine + "\nRedraw Speed=8\n"), 8);
  EXPECT_EQ(Speed("[Glimmerkin]\nRedraw Speed=" + longLine + "\n"), 0);
  EXPECT_EQ(Speed("[" + longLine), 5);
}

TEST(SettingsFileTest, MissingFileGivesDefaults) {
  TempDir dir;
  const Settings s = ReadIniSettings(dir.Path() + "/nothing/glimmerkin.i");
  EXPECT_EQ(s.redrawSpeed, 5);
  EXPECT_EQ(s.alienCount, 9);
  EXPECT_EQ(ReadIniSettings("").redrawSpeed, 5);
}

TEST(SettingsFileTest, ValuesUsedAsRead) {
  TempDir dir;
  const std::string path = dir.Path() + "/glimmerkin.i";
  WriteFile(path, "[Glimmerkin]\nRedraw Speed=12\nNum Sprites=1\n");
  Settings s = ReadIniSettings(path);
  EXPECT_EQ(s.redrawSpeed, 12);
  EXPECT_EQ(s.alienCount, 1);
  WriteFile(path, "[Glimmerkin]\nRedraw Speed=10\nNum Sprites=25\n");
  s = ReadIniSettings(path);
  EXPECT_EQ(s.redrawSpeed, 10);
  EXPECT_EQ(s.alienCount, 25);
}

TEST(SettingsFileTest, OnlyTheFirstMebibyteIsRead) {
  TempDir dir;
  const std::string path = dir.Path() + "/glimmerkin.i";
  std::string text = "[Glimmerkin]\nNum Sprites=3\n";
  text += std::string(kMaxSettingsFileBytes, ';') + "\nRedraw Speed=2\n";
  WriteFile(path, text);
  const Settings s = ReadIniSettings(path);
  EXPECT_EQ(s.alienCount, 3);
  EXPECT_EQ(s.redrawSpeed, 5);
  EXPECT_EQ(ReadSettingsFile(path).size(), kMaxSettingsFileBytes);
}

TEST(SettingsFileTest, DirectoriesAndFifosReadAsEmpty) {
  TempDir dir;
  EXPECT_TRUE(ReadSettingsFile(dir.Path()).empty());
  const std::string fifo = dir.Path() + "/glimmerkin.i";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Nothing writes to the FIFO: a blocking read would never return.
  EXPECT_TRUE(ReadSettingsFile(fifo).empty());
  EXPECT_EQ(ReadIniSettings(fifo).alienCount, 9);
}

class EnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Save("XDG_CONFIG_HOME", xdg_, hadXdg_);
    Save("HOME", home_, hadHome_);
  }
  void TearDown() override {
    Restore("XDG_CONFIG_HOME", xdg_, hadXdg_);
    Restore("HOME", home_, hadHome_);
  }

 private:
  static void Save(const char* name, std::string& value, bool& had) {
    const char* v = std::getenv(name);
    had = v != nullptr;
    value = had ? v : "";
  }
  static void Restore(const char* name, const std::string& value, bool had) {
    if (had)
      setenv(name, value.c_str(), 1);
    else
      unsetenv(name);
  }
  std::string xdg_;
  std::string home_;
  bool hadXdg_ = false;
  bool hadHome_ = false;
};

TEST_F(EnvironmentTest, PathFromXdgConfigHome) {
  setenv("XDG_CONFIG_HOME", "/some/config", 1);
  EXPECT_EQ(SettingsFilePath(), "/some/config/glimmerkin/glimmerkin.i");
  setenv("XDG_CONFIG_HOME", "/some/config/", 1);
  EXPECT_EQ(SettingsFilePath(), "/some/config/glimmerkin/glimmerkin.i");
}

TEST_F(EnvironmentTest, PathFromHomeWhenXdgUnsetOrRelative) {
  setenv("HOME", "/home/someone", 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(SettingsFilePath(), "/home/someone/.config/glimmerkin/glimmerkin.i");
  setenv("XDG_CONFIG_HOME", "relative/dir", 1);
  EXPECT_EQ(SettingsFilePath(), "/home/someone/.config/glimmerkin/glimmerkin.i");
  setenv("XDG_CONFIG_HOME", "", 1);
  EXPECT_EQ(SettingsFilePath(), "/home/someone/.config/glimmerkin/glimmerkin.i");
}

TEST_F(EnvironmentTest, NameIsCutToTwelveCharacters) {
  setenv("XDG_CONFIG_HOME", "/c", 1);
  const std::string path = SettingsFilePath();
  EXPECT_EQ(path.substr(path.rfind('/') + 1), "glimmerkin.i");
}

TEST(WithProfileStringTest, AddsSectionAndKeys) {
  EXPECT_EQ(WithProfileString("", "Glimmerkin", "Redraw Speed", "5"),
            "[Glimmerkin]\nRedraw Speed=5\n");
  EXPECT_EQ(WithProfileString("[Other]\nx=1", "Glimmerkin", "Num Sprites", "9"),
            "[Other]\nx=1\n[Glimmerkin]\nNum Sprites=9\n");
  EXPECT_EQ(WithProfileString("[Glimmerkin]\nNum Sprites=9\n\n[Other]\n", "Glimmerkin",
                              "Redraw Speed", "5"),
            "[Glimmerkin]\nNum Sprites=9\nRedraw Speed=5\n\n[Other]\n");
  EXPECT_EQ(WithProfileString("[Glimmerkin]\nNum Sprites=9", "Glimmerkin", "Redraw Speed", "5"),
            "[Glimmerkin]\nNum Sprites=9\nRedraw Speed=5\n");
}

TEST(WithProfileStringTest, KeepsAByteOrderMarkAndItsSection) {
  const std::string text = "\xEF\xBB\xBF[Glimmerkin]\nRedraw Speed=3\n";
  const std::string edited = WithProfileString(text, "Glimmerkin", "Num Sprites", "17");
  EXPECT_EQ(edited, "\xEF\xBB\xBF[Glimmerkin]\nRedraw Speed=3\nNum Sprites=17\n");
  EXPECT_EQ(ProfileInt(edited, kSettingsSection, kAlienCountKey, 9), 17);
}

TEST(WithProfileStringTest, ReplacesInPlace) {
  EXPECT_EQ(WithProfileString("; note\r\n[glimmerkin]\r\nredraw speed = 3\r\nNum Sprites=4\r\n",
                              "Glimmerkin", "Redraw Speed", "7"),
            "; note\r\n[glimmerkin]\r\nRedraw Speed=7\r\nNum Sprites=4\r\n");
}

TEST(SettingsFileTest, WriteThenReadBack) {
  TempDir dir;
  const std::string path = dir.Path() + "/a/b/glimmerkin.i";
  ASSERT_TRUE(WriteIniSettings(path, Settings{7, 12}));
  Settings s = ReadIniSettings(path);
  EXPECT_EQ(s.redrawSpeed, 7);
  EXPECT_EQ(s.alienCount, 12);
  EXPECT_EQ(ReadFile(path), "[Glimmerkin]\nRedraw Speed=7\nNum Sprites=12\n");

  WriteFile(path, "[Other]\nkeep=1\n[Glimmerkin]\nNum Sprites=3\nExtra=x\n");
  ASSERT_TRUE(WriteIniSettings(path, Settings{-2, 25}));
  EXPECT_EQ(ReadFile(path), "[Other]\nkeep=1\n[Glimmerkin]\nNum Sprites=25\nExtra=x\nRedraw Speed=-2\n");
  s = ReadIniSettings(path);
  EXPECT_EQ(s.redrawSpeed, -2);
  EXPECT_EQ(s.alienCount, 25);
}

TEST(SettingsFileTest, WriteFailsWhereNoFileCanBe) {
  TempDir dir;
  const std::string blocker = dir.Path() + "/file";
  WriteFile(blocker, "x");
  EXPECT_FALSE(WriteIniSettings(blocker + "/glimmerkin/glimmerkin.i", Settings{}));
  EXPECT_FALSE(WriteIniSettings("", Settings{}));
}

TEST(SettingsFileTest, FileLongerThanTheReadingLimitIsNotCutByAWrite) {
  TempDir dir;
  const std::string path = dir.Path() + "/glimmerkin.i";
  const std::string big = "[Glimmerkin]\n" + std::string(kMaxSettingsFileBytes, ';') + "\nkept=1\n";
  WriteFile(path, big);
  EXPECT_FALSE(WriteIniSettings(path, Settings{7, 12}));
  EXPECT_EQ(ReadFile(path), big);
}

}  // namespace
}  // namespace glimmerkin
