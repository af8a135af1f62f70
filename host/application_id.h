#pragma once

namespace glimmerkin {

// The id of Glimmerkin's desktop entry, icon and AppStream listing. Every
// window carries it (Wayland app_id, X11 WM_CLASS), so docks and task
// switchers find the entry's name and icon.
inline constexpr const char* kApplicationId = "org.glimmerkin.Glimmerkin";

}  // namespace glimmerkin
