#include <gtest/gtest.h>

#include <cstdint>

#include "host/close_rules.h"

namespace glimmerkin {
namespace {

InputEvent Key(InputKind kind, uint32_t keysym) {
  InputEvent e;
  e.kind = kind;
  e.keysym = keysym;
  return e;
}
InputEvent Button(InputKind kind, uint32_t button) {
  InputEvent e;
  e.kind = kind;
  e.button = button;
  return e;
}
InputEvent Move(int32_t x, int32_t y) {
  InputEvent e;
  e.kind = InputKind::Motion;
  e.x = x;
  e.y = y;
  return e;
}

TEST(CloseRules, AnyKeyEndsFullScreen) {
  for (const uint32_t sym : {0u, 0x61u, kKeysymLowerQ, kKeysymEscape, 0xffe1u /* Shift_L */})
    EXPECT_TRUE(KeyCloses(CloseRole::AnyInput, sym)) << sym;
}

TEST(CloseRules, WindowClosesOnQOrEscapeOnly) {
  EXPECT_TRUE(KeyCloses(CloseRole::QuitKey, kKeysymLowerQ));
  EXPECT_TRUE(KeyCloses(CloseRole::QuitKey, kKeysymUpperQ));
  EXPECT_TRUE(KeyCloses(CloseRole::QuitKey, kKeysymEscape));
  EXPECT_FALSE(KeyCloses(CloseRole::QuitKey, 0x61));      // a
  EXPECT_FALSE(KeyCloses(CloseRole::QuitKey, 0x20));      // space
  EXPECT_FALSE(KeyCloses(CloseRole::QuitKey, 0));         // no symbol (no keymap yet)
  EXPECT_FALSE(KeyCloses(CloseRole::QuitKey, 0xff1b00));  // not Escape, shares its low bits
}

TEST(CloseRules, BackgroundNeverEnds) {
  MotionAnchor anchor;
  for (const uint32_t sym : {0u, kKeysymLowerQ, kKeysymEscape})
    EXPECT_FALSE(KeyCloses(CloseRole::Never, sym));
  for (uint32_t b = 0; b <= 7; ++b) EXPECT_FALSE(ButtonCloses(CloseRole::Never, b));
  EXPECT_FALSE(MotionCloses(CloseRole::Never, anchor, 0, 0));
  EXPECT_FALSE(MotionCloses(CloseRole::Never, anchor, 1000, 1000));
}

TEST(CloseRules, ButtonsOneToThreeEndFullScreen) {
  EXPECT_FALSE(ButtonCloses(CloseRole::AnyInput, 0));
  EXPECT_TRUE(ButtonCloses(CloseRole::AnyInput, 1));
  EXPECT_TRUE(ButtonCloses(CloseRole::AnyInput, 2));
  EXPECT_TRUE(ButtonCloses(CloseRole::AnyInput, 3));
  for (uint32_t wheel = 4; wheel <= 7; ++wheel) EXPECT_FALSE(ButtonCloses(CloseRole::AnyInput, wheel));
  EXPECT_FALSE(ButtonCloses(CloseRole::AnyInput, 8));
  for (uint32_t b = 1; b <= 3; ++b) EXPECT_FALSE(ButtonCloses(CloseRole::QuitKey, b));
}

TEST(CloseRules, ReleasesAndWheelNeverClose) {
  MotionAnchor anchor;
  EXPECT_FALSE(InputCloses(CloseRole::AnyInput, anchor, Key(InputKind::KeyRelease, 0x61)));
  EXPECT_FALSE(InputCloses(CloseRole::QuitKey, anchor, Key(InputKind::KeyRelease, kKeysymEscape)));
  for (uint32_t b = 1; b <= 3; ++b)
    EXPECT_FALSE(InputCloses(CloseRole::AnyInput, anchor, Button(InputKind::ButtonRelease, b)));
  EXPECT_FALSE(InputCloses(CloseRole::AnyInput, anchor, Button(InputKind::Wheel, 4)));
  EXPECT_FALSE(anchor.set);  // none of them is a position
  EXPECT_TRUE(InputCloses(CloseRole::AnyInput, anchor, Key(InputKind::KeyPress, 0x61)));
  EXPECT_TRUE(InputCloses(CloseRole::AnyInput, anchor, Button(InputKind::ButtonPress, 1)));
  EXPECT_TRUE(InputCloses(CloseRole::QuitKey, anchor, Key(InputKind::KeyPress, kKeysymEscape)));
  EXPECT_FALSE(InputCloses(CloseRole::QuitKey, anchor, Button(InputKind::ButtonPress, 1)));
}

TEST(CloseRules, FirstPositionIsTheAnchor) {
  MotionAnchor anchor;
  EXPECT_FALSE(MotionCloses(CloseRole::AnyInput, anchor, 500, 300));  // however far from 0,0
  EXPECT_TRUE(anchor.set);
  EXPECT_EQ(anchor.x, 500);
  EXPECT_EQ(anchor.y, 300);
  EXPECT_FALSE(MotionCloses(CloseRole::AnyInput, anchor, 500, 300));  // still cursor
}

TEST(CloseRules, DriftClosesOnTheFifthPixel) {
  MotionAnchor anchor;
  ASSERT_FALSE(InputCloses(CloseRole::AnyInput, anchor, Move(10, 10)));
  for (int32_t step = 1; step <= 4; ++step)
    EXPECT_FALSE(InputCloses(CloseRole::AnyInput, anchor, Move(10 + step, 10))) << step;
  EXPECT_TRUE(InputCloses(CloseRole::AnyInput, anchor, Move(15, 10)));
  // The anchor stays where it was first taken.
  EXPECT_EQ(anchor.x, 10);
}

TEST(CloseRules, DiagonalIsManhattan) {
  MotionAnchor anchor{true, 100, 100};
  EXPECT_FALSE(MotionCloses(CloseRole::AnyInput, anchor, 102, 102));
  EXPECT_TRUE(MotionCloses(CloseRole::AnyInput, anchor, 103, 102));
  EXPECT_TRUE(MotionCloses(CloseRole::AnyInput, anchor, 97, 98));
  EXPECT_FALSE(MotionCloses(CloseRole::AnyInput, anchor, 98, 98));
  // The window's own rule ignores movement.
  EXPECT_FALSE(MotionCloses(CloseRole::QuitKey, anchor, 300, 300));
}

TEST(CloseRules, FarCornersDoNotOverflow) {
  MotionAnchor anchor{true, INT32_MIN, INT32_MIN};
  EXPECT_TRUE(MotionCloses(CloseRole::AnyInput, anchor, INT32_MAX, INT32_MAX));
  MotionAnchor back{true, INT32_MAX, INT32_MIN};
  EXPECT_TRUE(MotionCloses(CloseRole::AnyInput, back, INT32_MIN, INT32_MAX));
}

TEST(CloseRules, EvdevButtons) {
  EXPECT_EQ(ButtonFromEvdev(0x110), 1u);  // BTN_LEFT
  EXPECT_EQ(ButtonFromEvdev(0x112), 2u);  // BTN_MIDDLE
  EXPECT_EQ(ButtonFromEvdev(0x111), 3u);  // BTN_RIGHT
  EXPECT_EQ(ButtonFromEvdev(0x113), 0u);  // BTN_SIDE
  EXPECT_EQ(ButtonFromEvdev(0x114), 0u);  // BTN_EXTRA
  EXPECT_EQ(ButtonFromEvdev(0), 0u);
  EXPECT_EQ(ButtonFromEvdev(1), 0u);  // an X number is not a code
  EXPECT_FALSE(ButtonCloses(CloseRole::AnyInput, ButtonFromEvdev(0x113)));
}

}  // namespace
}  // namespace glimmerkin
