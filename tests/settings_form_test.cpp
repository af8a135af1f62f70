#include "settings/settings_form.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "host/linux/autostart.h"
#include "temp_dir.h"

namespace glimmerkin {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(SettingsForm, StoredValuesShownAsTheyAreAndOutOfRangeOnesAsDefaults) {
  const LoadedForm fine = FormFromText(
      "[glimmerkin]\nredraw speed=10\nNum Sprites=2\nIdle Delay=7200\nLock When Ended=1\n");
  EXPECT_EQ(fine.state, FileState::kFine);
  EXPECT_EQ(fine.form.scene.redrawSpeed, 10);
  EXPECT_EQ(fine.form.scene.alienCount, 2);
  EXPECT_EQ(fine.form.idleDelay, 7200);
  EXPECT_TRUE(fine.form.delaySet);
  EXPECT_TRUE(fine.form.lockWhenEnded);

  // Each bad value falls back on its own; the good one stays.
  const LoadedForm bad = FormFromText("[Glimmerkin]\nRedraw Speed=12\nNum Sprites=25\nIdle Delay=0\n");
  EXPECT_EQ(bad.state, FileState::kDamaged);
  EXPECT_EQ(bad.form.scene.redrawSpeed, kDefaultRedrawSpeed);
  EXPECT_EQ(bad.form.scene.alienCount, 25);
  EXPECT_EQ(bad.form.idleDelay, kDefaultIdleDelay);
  EXPECT_FALSE(bad.form.delaySet);

  EXPECT_EQ(FormFromText("[Glimmerkin]\nLock When Ended=yes\nNum Sprites=abc\n").state,
            FileState::kDamaged);
  std::string binary = "[Glimmerkin]\nNum Sprites=4\n";
  binary += '\0';
  EXPECT_EQ(FormFromText(binary).state, FileState::kDamaged);
  // No file, or a file of other sections: the defaults, nothing wrong.
  const LoadedForm empty = FormFromText("[Other]\nRedraw Speed=99\n");
  EXPECT_EQ(empty.state, FileState::kFine);
  EXPECT_EQ(empty.form.scene.redrawSpeed, kDefaultRedrawSpeed);
  EXPECT_EQ(empty.form.scene.alienCount, kDefaultAlienCount);
}

TEST(SettingsForm, SavedValuesAreInRangeAndTheDelayOnlyWhenItIsTheUsers) {
  SettingsForm form;
  form.scene.redrawSpeed = 40;
  form.scene.alienCount = 3;
  form.idleDelay = 900;
  const auto untouched = FormValues(form);
  ASSERT_EQ(untouched.size(), 3u);
  EXPECT_EQ(untouched[0], (std::pair<std::string, std::string>{kRedrawSpeedKey, "5"}));
  EXPECT_EQ(untouched[1], (std::pair<std::string, std::string>{kAlienCountKey, "3"}));
  EXPECT_EQ(untouched[2], (std::pair<std::string, std::string>{kLockWhenEndedKey, "0"}));
  form.delaySet = true;
  const auto chosen = FormValues(form);
  ASSERT_EQ(chosen.size(), 4u);
  EXPECT_EQ(chosen[3], (std::pair<std::string, std::string>{kIdleDelayKey, "900"}));
}

TEST(SettingsForm, SavingKeepsForeignLinesAndReadsBackTheSameForm) {
  TempDir dir;
  const std::string path = dir.Path() + "/glimmerkin/glimmerkin.i";
  ASSERT_EQ(mkdir((dir.Path() + "/glimmerkin").c_str(), 0755), 0);
  {
    std::ofstream out(path, std::ios::binary);
    out << "; kept by hand\n[Glimmerkin]\nPixel Size=2\nRedraw Speed=3\nMine=yes\n[Other]\nx=1\n";
  }
  SettingsForm form = LoadForm(path, "").form;
  EXPECT_EQ(form.scene.pixelSize, 2);
  form.scene.redrawSpeed = 8;
  form.scene.alienCount = 20;
  form.lockWhenEnded = true;
  form.idleDelay = 60;
  form.delaySet = true;
  ASSERT_TRUE(WriteProfileValues(path, FormValues(form)));
  const std::string text = ReadAll(path);
  for (const char* kept : {"; kept by hand", "Pixel Size=2", "Mine=yes", "[Other]", "x=1"})
    EXPECT_NE(text.find(kept), std::string::npos) << kept;
  const LoadedForm again = LoadForm(path, "");
  EXPECT_EQ(again.state, FileState::kFine);
  EXPECT_EQ(again.form.scene.redrawSpeed, 8);
  EXPECT_EQ(again.form.scene.alienCount, 20);
  EXPECT_TRUE(again.form.lockWhenEnded);
  EXPECT_EQ(again.form.idleDelay, 60);
  // The saver reads what the window wrote.
  EXPECT_EQ(ReadIniSettings(path).redrawSpeed, 8);
  EXPECT_EQ(ReadWatchSettings(path).idleDelay, 60);
}

TEST(SettingsForm, AnUnreadableFileIsToldApartFromAMissingOne) {
  TempDir dir;
  EXPECT_EQ(LoadForm(dir.Path() + "/none.i", "").state, FileState::kFine);
  // A folder where the file should be cannot be read, even by root.
  ASSERT_EQ(mkdir((dir.Path() + "/folder.i").c_str(), 0755), 0);
  const LoadedForm loaded = LoadForm(dir.Path() + "/folder.i", "");
  EXPECT_EQ(loaded.state, FileState::kUnreadable);
  EXPECT_EQ(loaded.form.scene.alienCount, kDefaultAlienCount);
  EXPECT_NE(LoadMessage(loaded.state, "/x/glimmerkin.i").find("/x/glimmerkin.i"), std::string::npos);
  EXPECT_TRUE(LoadMessage(FileState::kFine, "/x").empty());
}

TEST(SettingsForm, StartWhenIdleIsTheAutostartEntry) {
  TempDir dir;
  ASSERT_EQ(setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1), 0);
  const std::string entry = WatchAutostartPath();
  EXPECT_EQ(entry, dir.Path() + "/autostart/glimmerkin-watch.desktop");
  EXPECT_FALSE(LoadForm("", entry).form.startWhenIdle);
  ASSERT_TRUE(WriteWatchAutostart(entry, "/usr/bin/glimmerkin", true));
  EXPECT_NE(ReadAll(entry).find("\nExec=/usr/bin/glimmerkin -watch\n"), std::string::npos);
  EXPECT_TRUE(LoadForm("", entry).form.startWhenIdle);
  ASSERT_TRUE(WriteWatchAutostart(entry, "glimmerkin", false));
  EXPECT_FALSE(LoadForm("", entry).form.startWhenIdle);
  // Turning off what is already off is no failure; a folder that cannot be
  // made is.
  EXPECT_TRUE(WriteWatchAutostart(entry, "glimmerkin", false));
  {
    std::ofstream blocker(dir.Path() + "/blocked", std::ios::binary);
  }
  EXPECT_FALSE(WriteWatchAutostart(dir.Path() + "/blocked/autostart.desktop", "glimmerkin", true));
  EXPECT_NE(AutostartFailedMessage("/x/a.desktop", true).find("turned on: /x/a.desktop"),
            std::string::npos);
  unsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsForm, TryOutTakesTheFormsValuesInRange) {
  SettingsForm form;
  form.scene.redrawSpeed = 10;
  form.scene.alienCount = 99;
  const std::vector<std::string> full = TryOutArguments(form, true);
  const std::vector<std::string> expected{"/s", "-redraw-speed", "10", "-num-aliens", "9"};
  EXPECT_EQ(full, expected);
  EXPECT_EQ(TryOutArguments(form, false)[0], "-window");
}

}  // namespace
}  // namespace glimmerkin
