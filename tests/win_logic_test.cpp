#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "host/password_rules.h"
#include "host/saver_main.h"
#include "host/win32/command_line.h"
#include "settings/dialog_rules.h"
#include "settings/settings.h"
#include "settings/settings_location.h"

namespace glimmerkin {
namespace {

// --- The arguments text after the program's name ---------------------------

TEST(ArgumentsAfterProgramName, SkipsAQuotedNameAndTheBlanksAfterIt) {
  EXPECT_STREQ(ArgumentsAfterProgramName("\"C:\\Program Files\\g k.scr\" /s"), "/s");
  EXPECT_STREQ(ArgumentsAfterProgramName("\"g.scr\"/s"), "/s");
  EXPECT_STREQ(ArgumentsAfterProgramName("\"g.scr\" \t \t/p 123"), "/p 123");
}

TEST(ArgumentsAfterProgramName, AnUnquotedNameEndsAtTheFirstBlankOrControl) {
  EXPECT_STREQ(ArgumentsAfterProgramName("C:\\WINDOWS\\g.scr /c:42"), "/c:42");
  EXPECT_STREQ(ArgumentsAfterProgramName("g.scr\t\t/s"), "/s");
  EXPECT_STREQ(ArgumentsAfterProgramName("g.scr\x01/s"), "/s");
  // Bytes 0x80 and above belong to the name, whatever the sign of char.
  EXPECT_STREQ(ArgumentsAfterProgramName("\xe9t\xe9.scr /s"), "/s");
}

TEST(ArgumentsAfterProgramName, OnlyBlanksBetweenNameAndSwitchAreSkipped) {
  EXPECT_STREQ(ArgumentsAfterProgramName("g.scr /\ts"), "/\ts");
  EXPECT_STREQ(ArgumentsAfterProgramName("g.scr  -s  x"), "-s  x");
}

TEST(ArgumentsAfterProgramName, NothingAfterTheNameGivesEmptyText) {
  EXPECT_STREQ(ArgumentsAfterProgramName("g.scr"), "");
  EXPECT_STREQ(ArgumentsAfterProgramName("g.scr   "), "");
  EXPECT_STREQ(ArgumentsAfterProgramName("\"never closed /s"), "");
  EXPECT_STREQ(ArgumentsAfterProgramName("\"\""), "");
  EXPECT_STREQ(ArgumentsAfterProgramName(""), "");
  EXPECT_STREQ(ArgumentsAfterProgramName(nullptr), "");
}

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
    log = "preview " + std::to_string(ParseDecimal(text));
    return ParseDecimal(text) == 0 ? -1 : 0;
  }
  int RunChangePassword(const char* text) override {
    log = "password " + std::to_string(ParseDecimal(text));
    return 0;
  }
  std::string log;
};

TEST(ArgumentsAfterProgramName, FeedsTheSwitchScanner) {
  struct Case {
    const char* commandLine;
    int code;
    const char* log;
  };
  const Case cases[] = {
      {"\"C:\\WINDOWS\\GLIMME~1.SCR\" /p 65602", 0, "preview 65602"},
      {"glimmerkin.scr /l 1234", 0, "preview 1234"},
      {"glimmerkin.scr\t/s", 0, "fullscreen"},
      {"\"glimmerkin.scr\"", 1, "config none"},
      {"glimmerkin.scr /c:99", 1, "config foreground"},
      {"glimmerkin.scr /a 5", 0, "password 5"},
      {"glimmerkin.scr /\ts", -1, ""},
      {"glimmerkin.scr /q", -1, ""},
  };
  for (const Case& c : cases) {
    Recorder modes;
    EXPECT_EQ(SaverMain(ArgumentsAfterProgramName(c.commandLine), modes), c.code) << c.commandLine;
    EXPECT_EQ(modes.log, c.log) << c.commandLine;
  }
}

// --- Password throttle -------------------------------------------------------

TEST(TicksBetween, CountsForwardAcrossTheWrap) {
  EXPECT_EQ(TicksBetween(100, 300), 200u);
  EXPECT_EQ(TicksBetween(0xFFFFFF00u, 0x10u), 0x110u);
  EXPECT_EQ(TicksBetween(5, 5), 0u);
  EXPECT_EQ(TicksBetween(1, 0), 0xFFFFFFFFu);
}

TEST(DecideClose, WithoutAVerifierTheFirstRequestIsGranted) {
  EXPECT_EQ(DecideClose(false, false, false, kNoCheckYet, 1234), CloseDecision::kGrant);
  EXPECT_EQ(DecideClose(false, false, false, 1200, 1234), CloseDecision::kGrant);
}

TEST(DecideClose, RunningCheckOrBegunClosingIgnoresTheRequest) {
  EXPECT_EQ(DecideClose(true, false, true, kNoCheckYet, 0), CloseDecision::kIgnore);
  EXPECT_EQ(DecideClose(false, true, true, kNoCheckYet, 0), CloseDecision::kIgnore);
  // Once closing began a second request is not granted again.
  EXPECT_EQ(DecideClose(false, true, false, kNoCheckYet, 0), CloseDecision::kIgnore);
}

TEST(DecideClose, TheFirstCheckRunsAtOnce) {
  EXPECT_EQ(DecideClose(false, false, true, kNoCheckYet, 0), CloseDecision::kAskVerifier);
  EXPECT_EQ(DecideClose(false, false, true, kNoCheckYet, 5), CloseDecision::kAskVerifier);
}

TEST(DecideClose, RequestsWithin200MsOfTheLastCheckAreDropped) {
  EXPECT_EQ(DecideClose(false, false, true, 1000, 1000), CloseDecision::kDrop);
  EXPECT_EQ(DecideClose(false, false, true, 1000, 1199), CloseDecision::kDrop);
  EXPECT_EQ(DecideClose(false, false, true, 1000, 1200), CloseDecision::kAskVerifier);
  EXPECT_EQ(DecideClose(false, false, true, 1000, 50000), CloseDecision::kAskVerifier);
}

TEST(DecideClose, TheQuietPeriodSpansTheTickWrap) {
  const uint32_t last = 0xFFFFFF9Cu;  // 100 ms before the wrap
  EXPECT_EQ(DecideClose(false, false, true, last, 99), CloseDecision::kDrop);
  EXPECT_EQ(DecideClose(false, false, true, last, 100), CloseDecision::kAskVerifier);
}

// --- Configuration dialog ----------------------------------------------------

TEST(DialogCommand, OkCancelAndTheDialogManagersCancel) {
  EXPECT_EQ(ClassifyDialogCommand(1000), DialogCommand::kOk);
  EXPECT_EQ(ClassifyDialogCommand(1001), DialogCommand::kCancel);
  // Escape and the close box arrive as id 2.
  EXPECT_EQ(ClassifyDialogCommand(2), DialogCommand::kCancel);
  EXPECT_EQ(ClassifyDialogCommand(1), DialogCommand::kOther);
  EXPECT_EQ(ClassifyDialogCommand(0), DialogCommand::kOther);
  EXPECT_EQ(ClassifyDialogCommand(1002), DialogCommand::kOther);
  EXPECT_EQ(ClassifyDialogCommand(1003), DialogCommand::kOther);
  EXPECT_EQ(ClassifyDialogCommand(0xFFFF), DialogCommand::kOther);
}

// One WM_HSCROLL as the dialog runs it: apply, then clamp when it goes on.
Settings Scroll(Settings s, bool speed, uint32_t code, uint32_t thumb = 0,
                bool* setsThumbs = nullptr) {
  const bool goesOn = ApplyScrollCode(s, speed, code, thumb);
  if (setsThumbs != nullptr) *setsThumbs = goesOn;
  return goesOn ? ClampToBars(s) : s;
}

void ExpectSettings(const Settings& s, int32_t speed, int32_t count) {
  EXPECT_EQ(s.redrawSpeed, speed);
  EXPECT_EQ(s.alienCount, count);
}

TEST(DialogScroll, ArrowsAndTroughStepByOne) {
  const Settings start{5, 9};
  ExpectSettings(Scroll(start, true, 0), 4, 9);
  ExpectSettings(Scroll(start, true, 1), 6, 9);
  ExpectSettings(Scroll(start, true, 2), 4, 9);
  ExpectSettings(Scroll(start, true, 3), 6, 9);
  ExpectSettings(Scroll(start, false, 0), 5, 8);
  ExpectSettings(Scroll(start, false, 1), 5, 10);
  ExpectSettings(Scroll(start, false, 2), 5, 8);
  ExpectSettings(Scroll(start, false, 3), 5, 10);
}

TEST(DialogScroll, StepsStopAtTheEndsOfEachBar) {
  ExpectSettings(Scroll({1, 2}, true, 0), 1, 2);
  ExpectSettings(Scroll({1, 2}, true, 2), 1, 2);
  ExpectSettings(Scroll({1, 2}, false, 0), 1, 2);
  ExpectSettings(Scroll({10, 25}, true, 1), 10, 25);
  ExpectSettings(Scroll({10, 25}, true, 3), 10, 25);
  ExpectSettings(Scroll({10, 25}, false, 3), 10, 25);
}

TEST(DialogScroll, OnlyTheReleasedThumbSetsTheValue) {
  bool setsThumbs = true;
  ExpectSettings(Scroll({5, 9}, true, 5, 8, &setsThumbs), 5, 9);  // SB_THUMBTRACK
  EXPECT_FALSE(setsThumbs);
  ExpectSettings(Scroll({5, 9}, true, 4, 8, &setsThumbs), 8, 9);  // SB_THUMBPOSITION
  EXPECT_TRUE(setsThumbs);
  ExpectSettings(Scroll({5, 9}, false, 4, 17), 5, 17);
  ExpectSettings(Scroll({5, 9}, false, 4, 0xFFFF), 5, 25);
  ExpectSettings(Scroll({5, 9}, true, 4, 0), 1, 9);
}

TEST(DialogScroll, LeftAndRightJumpToTheBarsEnds) {
  ExpectSettings(Scroll({5, 9}, true, 6), 1, 9);
  ExpectSettings(Scroll({5, 9}, true, 7), 10, 9);
  ExpectSettings(Scroll({5, 9}, false, 6), 5, 2);
  ExpectSettings(Scroll({5, 9}, false, 7), 5, 25);
}

TEST(DialogScroll, EndScrollStopsAndUnknownCodesOnlyResetTheThumbs) {
  bool setsThumbs = true;
  ExpectSettings(Scroll({5, 9}, true, 8, 0, &setsThumbs), 5, 9);
  EXPECT_FALSE(setsThumbs);
  ExpectSettings(Scroll({5, 9}, true, 9, 0, &setsThumbs), 5, 9);
  EXPECT_TRUE(setsThumbs);
  ExpectSettings(Scroll({5, 9}, false, 0xFFFF, 3, &setsThumbs), 5, 9);
  EXPECT_TRUE(setsThumbs);
}

TEST(DialogScroll, ClampPullsBothValuesIntoRange) {
  ExpectSettings(ClampToBars({0, 1}), 1, 2);
  ExpectSettings(ClampToBars({11, 26}), 10, 25);
  ExpectSettings(ClampToBars({INT32_MIN, INT32_MAX}), 1, 25);
  ExpectSettings(ClampToBars({7, 13}), 7, 13);
}

TEST(DialogValues, StoredValuesOutOfRangeShowAsDefaults) {
  ExpectSettings(ValidatedForDialog({12, 1}), 5, 9);
  ExpectSettings(ValidatedForDialog({0, 26}), 5, 9);
  ExpectSettings(ValidatedForDialog({10, 25}), 10, 25);
  ExpectSettings(ValidatedForDialog({1, 2}), 1, 2);
  ExpectSettings(ValidatedForDialog({INT32_MIN, INT32_MAX}), 5, 9);
  // Each value on its own.
  ExpectSettings(ValidatedForDialog({3, 99}), 3, 9);
}

// --- Where the settings live -------------------------------------------------

TEST(SettingsFiles, ThePerUserFileWinsOnceItExists) {
  const SettingsFilePlan both = PlanSettingsFiles(true, true);
  EXPECT_EQ(both.read, SettingsFile::kPerUser);
  EXPECT_EQ(both.write, SettingsFile::kPerUser);
  EXPECT_FALSE(both.carryOver);
}

TEST(SettingsFiles, UntilThenTheOldFileIsReadAndTheFirstWriteCarriesItOver) {
  const SettingsFilePlan first = PlanSettingsFiles(true, false);
  EXPECT_EQ(first.read, SettingsFile::kWindowsFolder);
  EXPECT_EQ(first.write, SettingsFile::kPerUser);
  EXPECT_TRUE(first.carryOver);
}

TEST(SettingsFiles, WithoutAPerUserFolderTheWindowsFolderFileServesBoth) {
  for (const bool exists : {false, true}) {
    const SettingsFilePlan plan = PlanSettingsFiles(false, exists);
    EXPECT_EQ(plan.read, SettingsFile::kWindowsFolder);
    EXPECT_EQ(plan.write, SettingsFile::kWindowsFolder);
    EXPECT_FALSE(plan.carryOver);
  }
}

TEST(SettingsFiles, ThePerUserFileIsInAGlimmerkinFolderUnderAppData) {
  EXPECT_EQ(PerUserSettingsPath(L"C:\\Users\\ann\\AppData\\Roaming", L"glimmerkin.i"),
            L"C:\\Users\\ann\\AppData\\Roaming\\Glimmerkin\\glimmerkin.i");
  EXPECT_EQ(PerUserSettingsFolder(L"D:\\"), L"D:\\Glimmerkin");
  // No folder named: no path, so the Windows folder is used.
  EXPECT_EQ(PerUserSettingsPath(L"", L"glimmerkin.i"), L"");
  EXPECT_EQ(PerUserSettingsFolder(L""), L"");
}

TEST(ProfileList, EntriesEndAtTheEmptyOneAndACutOneIsDropped) {
  using namespace std::string_literals;
  using Entries = std::vector<std::wstring>;
  EXPECT_EQ(SplitProfileList(L"a=1\0b=2\0\0c=3\0"s, false), (Entries{L"a=1", L"b=2"}));
  // The buffer ends in the middle of an entry.
  EXPECT_EQ(SplitProfileList(L"a=1\0b=2"s, false), (Entries{L"a=1"}));
  // The list did not fit: its last entry is cut even though it is ended.
  EXPECT_EQ(SplitProfileList(L"a=1\0Redraw Spe\0"s, true), (Entries{L"a=1"}));
  EXPECT_EQ(SplitProfileList(L""s, false), Entries{});
  EXPECT_EQ(SplitProfileList(L"\0\0"s, true), Entries{});
  const Entries entries{L"Pixel Size=2", L"x"};
  EXPECT_EQ(SplitProfileList(JoinProfileList(entries), false), entries);
  EXPECT_EQ(JoinProfileList({}), L"\0"s);
}

TEST(CarryOver, KeepsEveryOldEntryAndSetsTheDialogsTwoInPlace) {
  const std::vector<std::wstring> old{L"Pixel Size=2", L" redraw SPEED =3", L"Something Else=x",
                                      L"Num Sprites=20", L"Num Sprites=7", L"no value"};
  const std::vector<std::wstring> expected{L"Pixel Size=2",     L"Redraw Speed=4",
                                           L"Something Else=x", L"Num Sprites=-20",
                                           L"Num Sprites=7",    L"no value"};
  EXPECT_EQ(CarriedOverSection(old, Settings{4, -20, 0}), expected);
}

TEST(CarryOver, AddsTheKeysTheOldFileLacked) {
  const std::vector<std::wstring> none{};
  EXPECT_EQ(CarriedOverSection(none, Settings{10, 25, 0}),
            (std::vector<std::wstring>{L"Redraw Speed=10", L"Num Sprites=25"}));
  // A key that merely begins like one of the two is another key.
  EXPECT_EQ(CarriedOverSection({L"Num Sprites Max=3", L"Redraw Speedy=1"}, Settings{5, 9, 0}),
            (std::vector<std::wstring>{L"Num Sprites Max=3", L"Redraw Speedy=1",
                                       L"Redraw Speed=5", L"Num Sprites=9"}));
}

}  // namespace
}  // namespace glimmerkin
