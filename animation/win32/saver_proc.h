#pragma once
#include <windows.h>

#include "animation/scene_pace.h"

// The application's window procedure, exported under this name (see the
// .def files beside the host): builds the Stage on WM_CREATE, draws a frame
// per WM_TIMER, tears the Stage down on WM_DESTROY, and hands every message
// on to the host's DefaultSaverProc.
extern "C" LRESULT CALLBACK ScreenSaverProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

namespace glimmerkin {

// What the host learnt of whether the scenes can be seen: an unseen scene
// runs no frame and, while none is seen, the frame timer is stopped.
void ReportSight(Unseen why, bool holds);

}  // namespace glimmerkin
