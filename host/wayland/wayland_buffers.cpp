// The views' pixels: shm buffers, drawn into while the compositor does not
// hold them, and the present target the frame path writes through.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "host/wayland/wayland_saver_class.h"

namespace glimmerkin::wayland {
namespace {

// The compositor's time in the callback is not used: frames are timed by
// the monotonic clock alone (a locker relaying callbacks sends 0).
const wl_callback_listener kFrameListener = {
    [](void* data, wl_callback* callback, uint32_t) {
      auto* view = static_cast<View*>(data);
      wl_callback_destroy(callback);
      view->frameCallback = nullptr;
      view->scenes.Report(Unseen::AwaitingCallback, false);
    }};

const wl_buffer_listener kBufferListener = {
    [](void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }};


}  // namespace

// Until the first frame the surface is black, as the Windows saver's window
// is, and mapped, so that the compositor settles its size early.
void WaylandSaver::ShowBlack(View& view) {
  Buffer* buffer = FreeBuffer(view);
  if (buffer == nullptr) return;
  std::memset(buffer->pixels, 0, buffer->bytes);
  buffer->filledAt = 0;
  const Rect whole{0, 0, buffer->width, buffer->height};
  Present(view, *buffer, std::span<const Rect>(&whole, 1));
}

void WaylandSaver::Present(View& view, Buffer& buffer, std::span<const Rect> changed) {
  view.shown = true;
  buffer.busy = true;
  wl_surface_attach(view.surface, buffer.buffer, 0, 0);
  for (const Rect& r : changed) {
    if (compositorVersion_ >= 4) {
      wl_surface_damage_buffer(view.surface, r.x, r.y, r.width, r.height);
    } else {
      // Surface coordinates: the buffer's divided by its scale, rounded out.
      const int32_t scale = std::max(view.scale, 1);
      const int32_t x = r.x / scale;
      const int32_t y = r.y / scale;
      wl_surface_damage(view.surface, x, y, static_cast<int32_t>((r.Right() + scale - 1) / scale) - x,
                        static_cast<int32_t>((r.Bottom() + scale - 1) / scale) - y);
    }
  }
  // Every commit asks for the next frame: the request must come before
  // the commit it belongs to.
  if (view.frameCallback != nullptr) wl_callback_destroy(view.frameCallback);
  view.frameCallback = wl_surface_frame(view.surface);
  wl_callback_add_listener(view.frameCallback, &kFrameListener, &view);
  view.scenes.Report(Unseen::AwaitingCallback, true);
  wl_surface_commit(view.surface);
}

Buffer* WaylandSaver::FreeBuffer(View& view) {
  const int32_t w = view.width * view.scale;
  const int32_t h = view.height * view.scale;
  // Buffers of an old size go once the compositor has let them go.
  std::erase_if(view.buffers, [&](const std::unique_ptr<Buffer>& b) {
    return !b->busy && (b->width != w || b->height != h);
  });
  // The free buffer shown last lacks the least.
  Buffer* found = nullptr;
  for (auto& b : view.buffers)
    if (!b->busy && (found == nullptr || b->filledAt > found->filledAt)) found = b.get();
  if (found != nullptr) {
    for (size_t i = view.buffers.size(); i-- > 0 && view.buffers.size() > kKeptBuffers;) {
      Buffer* b = view.buffers[i].get();
      if (b != found && !b->busy)
        view.buffers.erase(view.buffers.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return found;
  }
  if (view.buffers.size() >= kMaxBuffers) return nullptr;
  const size_t stride = static_cast<size_t>(w) * 4;
  const size_t bytes = stride * static_cast<size_t>(h);
  if (bytes == 0 || bytes > size_t{INT32_MAX}) return nullptr;
  const int fd = memfd_create("glimmerkin-frame", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  if (ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
    close(fd);
    return nullptr;
  }
  void* map = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  auto b = std::make_unique<Buffer>();
  b->pixels = static_cast<uint32_t*>(map);
  b->bytes = bytes;
  b->width = w;
  b->height = h;
  wl_shm_pool* pool = wl_shm_create_pool(shm_, fd, static_cast<int32_t>(bytes));
  b->buffer = wl_shm_pool_create_buffer(pool, 0, w, h, static_cast<int32_t>(stride),
                                        WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  wl_buffer_add_listener(b->buffer, &kBufferListener, b.get());
  view.buffers.push_back(std::move(b));
  return view.buffers.back().get();
}

// A view's shm buffers as the frame path sees them: a free one each frame,
// and how many of the view's frames it is behind.
class ViewTarget final : public PresentTarget {
 public:
  ViewTarget(View& view, Buffer* buffer, WaylandSaver& saver)
      : view_(view), buffer_(buffer), saver_(saver) {}
  PresentBuffer Acquire() override {
    if (buffer_ == nullptr) return PresentBuffer{};
    uint32_t age = 0;
    if (buffer_->filledAt != 0 && view_.frameCount - buffer_->filledAt <= kMaxBufferAge)
      age = static_cast<uint32_t>(view_.frameCount - buffer_->filledAt);
    return PresentBuffer{RasterView{buffer_->pixels, buffer_->width, buffer_->height, buffer_->width},
                         age};
  }
  void Present(std::span<const Rect> changed) override {
    buffer_->filledAt = view_.frameCount;
    saver_.Present(view_, *buffer_, changed);
  }

 private:
  View& view_;
  Buffer* buffer_;
  WaylandSaver& saver_;
};

// A view's scene steps when its interval has passed and the compositor has
// asked for the frame; a view without a free buffer skips the showing of
// that frame, never the step (the next buffer's age makes up for it).
bool WaylandSaver::Frame(int64_t nowNs) {
  bool ran = false;
  for (auto& view : views_) {
    if (view->scenes.Count() == 0 || !view->scenes.PaceAt(0).Due(nowNs)) continue;
    ++view->frameCount;
    Buffer* buffer = view->configured ? FreeBuffer(*view) : nullptr;
    ViewTarget target(*view, buffer, *this);
    view->scenes.RunDueFrames(nowNs, [&](size_t) -> PresentTarget& { return target; });
    view->ticked = true;
    view->missed = view->configured && buffer == nullptr;
    ran = true;
  }
  return ran;
}

int64_t WaylandSaver::NextFrameNs() {
  int64_t wake = kNoWake;
  for (const auto& view : views_) wake = EarlierWake(wake, view->scenes.NextFrameNs());
  return wake;
}

// A frame that found every buffer held is shown once one comes back, so
// the last frame before -frame-limit stops them reaches the screen too.
void WaylandSaver::ShowMissed(View& view) {
  if (view.scenes.Count() == 0) return;
  Buffer* buffer = FreeBuffer(view);
  if (buffer == nullptr) return;
  view.missed = false;
  ViewTarget target(view, buffer, *this);
  PresentAgain(view.scenes.StageAt(0), target);
}

}  // namespace glimmerkin::wayland
