#include "settings/linux/preview.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <new>

namespace glimmerkin {

Preview::Preview(std::optional<uint32_t> seed, std::optional<uint32_t> frameLimit)
    : seed_(seed), frameLimit_(frameLimit) {
  area_ = gtk_drawing_area_new();
  g_object_ref_sink(area_);
  gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(area_), kPreviewWidth);
  gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(area_), kPreviewHeight);
  gtk_widget_set_halign(area_, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(area_, GTK_ALIGN_CENTER);
  gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area_), &Preview::Draw, this, nullptr);
  gtk_accessible_update_property(GTK_ACCESSIBLE(area_), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 "Preview of the scene", -1);
  // Not shown yet: the timer waits for the map.
  sight_.Report(Unseen::WindowUnmapped, true);
  g_signal_connect(area_, "map", G_CALLBACK(+[](GtkWidget*, gpointer self) {
                     auto* p = static_cast<Preview*>(self);
                     p->sight_.Report(Unseen::WindowUnmapped, false);
                     p->FollowSight();
                   }),
                   this);
  g_signal_connect(area_, "unmap", G_CALLBACK(+[](GtkWidget*, gpointer self) {
                     auto* p = static_cast<Preview*>(self);
                     p->sight_.Report(Unseen::WindowUnmapped, true);
                     p->FollowSight();
                   }),
                   this);
  // A new monitor density: the scene is built again at the new pixel size.
  g_signal_connect(area_, "notify::scale-factor",
                   G_CALLBACK(+[](GObject*, GParamSpec*, gpointer self) {
                     auto* p = static_cast<Preview*>(self);
                     if (p->built_) p->Show(p->settings_);
                   }),
                   this);
}

Preview::~Preview() {
  Teardown();
  g_signal_handlers_disconnect_by_data(area_, this);
  g_object_unref(area_);
}

uint32_t Preview::CurrentTimeSeconds() {
  return seed_ ? *seed_ : static_cast<uint32_t>(std::time(nullptr));
}

uint32_t Preview::StartTimer(uint32_t intervalMs) {
  if (source_ == 0) source_ = g_timeout_add(intervalMs, &Preview::OnTimer, this);
  return source_;
}

void Preview::StopTimer(uint32_t timerId) {
  if (source_ != 0 && timerId == source_) {
    g_source_remove(source_);
    source_ = 0;
  }
}

gboolean Preview::OnTimer(gpointer self) {
  static_cast<Preview*>(self)->Frame();
  return G_SOURCE_CONTINUE;
}

void Preview::Frame() {
  if (!built_) return;
  // The last frame is not drawn yet: the toolkit is not painting this
  // window (another workspace, a compositor that sends no frame callbacks).
  // The scene waits for the paint instead of stepping unseen.
  if (drawPending_) {
    sight_.Report(Unseen::AwaitingCallback, true);
    FollowSight();
    return;
  }
  RunFrame(stage_, target_);
  ++frames_;
  drawPending_ = true;
  gtk_widget_queue_draw(area_);
  FollowSight();
}

void Preview::FollowSight() {
  if (!built_) return;
  const bool standing = frameLimit_ && frames_ >= *frameLimit_;
  glimmerkin::FollowSight(stage_, *this, sight_.Seen() && !standing);
}

void Preview::SetMinimized(bool minimized) {
  if (sight_.Report(Unseen::WindowObscured, minimized)) FollowSight();
}

void Preview::Teardown() {
  if (!built_) return;
  DestroyStage(stage_, this);
  stage_ = Stage{};
  target_.SetPixels(RasterView{});
  built_ = false;
}

void Preview::Show(const Settings& settings) {
  Teardown();
  settings_ = settings;
  scale_ = std::max(1, gtk_widget_get_scale_factor(area_));
  try {
    pixels_.assign(static_cast<size_t>(kPreviewWidth) * kPreviewHeight * scale_ * scale_, 0u);
  } catch (const std::bad_alloc&) {
    pixels_.clear();
    return;
  }
  target_.SetPixels(RasterView{pixels_.data(), kPreviewWidth * scale_, kPreviewHeight * scale_,
                               kPreviewWidth * scale_});
  frames_ = 0;
  CreateStage(stage_, *this, this);
  built_ = true;
  PresentWhole(stage_, target_);
  drawPending_ = true;
  gtk_widget_queue_draw(area_);
  FollowSight();
}

void Preview::Draw(GtkDrawingArea*, cairo_t* cr, int width, int height, gpointer self) {
  auto* p = static_cast<Preview*>(self);
  p->drawPending_ = false;
  if (p->sight_.Report(Unseen::AwaitingCallback, false)) p->FollowSight();
  const int32_t w = kPreviewWidth * p->scale_;
  const int32_t h = kPreviewHeight * p->scale_;
  // A fresh surface each time: the toolkit may keep what it was given to
  // draw until later, so the frame path's buffer is copied, not lent.
  cairo_surface_t* frame =
      p->pixels_.empty() ? nullptr : cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  if (frame == nullptr || cairo_surface_status(frame) != CAIRO_STATUS_SUCCESS) {
    if (frame != nullptr) cairo_surface_destroy(frame);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_fill(cr);
    return;
  }
  cairo_surface_flush(frame);
  // Cairo's RGB24 is 0x00RRGGBB per native 32-bit word: the frame path's
  // pixels as they are, row by row.
  unsigned char* data = cairo_image_surface_get_data(frame);
  const int stride = cairo_image_surface_get_stride(frame);
  for (int32_t y = 0; y < h; ++y)
    std::memcpy(data + static_cast<size_t>(y) * stride, p->pixels_.data() + static_cast<size_t>(y) * w,
                static_cast<size_t>(w) * 4);
  cairo_surface_mark_dirty(frame);
  cairo_surface_set_device_scale(frame, p->scale_, p->scale_);
  cairo_set_source_surface(cr, frame, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_surface_destroy(frame);
}

}  // namespace glimmerkin
