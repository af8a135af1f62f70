#pragma once
#include <gtk/gtk.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "animation/present.h"
#include "animation/scene_pace.h"
#include "animation/stage.h"
#include "settings/settings.h"

namespace glimmerkin {

// The scene as the settings window shows it: a stage of this many stage
// pixels, each drawn as a square of the widget's scale factor.
inline constexpr int32_t kPreviewWidth = 512;
inline constexpr int32_t kPreviewHeight = 288;

// The settings window's preview: the shared frame path runs the stage into
// a cairo image surface, which a drawing area shows as it is. The frame
// timer is a GLib timeout that runs only while the preview can be seen.
class Preview final : public FrameTimer, public StagePlatform {
 public:
  // seed: the generator's seed in place of the clock; frameLimit: the frame
  // after which the scene stands still (both testing aids).
  Preview(std::optional<uint32_t> seed, std::optional<uint32_t> frameLimit);
  ~Preview();
  Preview(const Preview&) = delete;
  Preview& operator=(const Preview&) = delete;

  GtkWidget* Widget() const { return area_; }
  // Builds the scene anew for these settings.
  void Show(const Settings& settings);
  // Whether the window's surface is minimized, as its toplevel tells.
  void SetMinimized(bool minimized);

  uint32_t StartTimer(uint32_t intervalMs) override;
  void StopTimer(uint32_t timerId) override;

  uint32_t CurrentTimeSeconds() override;
  Settings ReadSettings() override { return settings_; }
  int32_t ScreenWidth() override { return kPreviewWidth; }
  int32_t ScreenHeight() override { return kPreviewHeight; }
  ReferenceContext GetReferenceContext() override { return {}; }
  int32_t PixelSize() override { return scale_; }

 private:
  static gboolean OnTimer(gpointer self);
  static void Draw(GtkDrawingArea* area, cairo_t* cr, int width, int height, gpointer self);
  void Build();
  void Teardown();
  void FollowSight();
  void Frame();

  GtkWidget* area_ = nullptr;
  Stage stage_;
  bool built_ = false;
  Settings settings_;
  std::vector<uint32_t> pixels_;
  MemoryTarget target_;
  int32_t scale_ = 1;
  guint source_ = 0;
  SceneSight sight_;
  std::optional<uint32_t> seed_;
  std::optional<uint32_t> frameLimit_;
  uint32_t frames_ = 0;
  // A frame was handed to the toolkit and not drawn yet.
  bool drawPending_ = false;
};

}  // namespace glimmerkin
