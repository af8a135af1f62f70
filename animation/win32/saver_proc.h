#pragma once
#include <windows.h>

// The application's window procedure, exported under this name (see the
// .def files beside the host): builds the Stage on WM_CREATE, draws a frame
// per WM_TIMER, tears the Stage down on WM_DESTROY, and hands every message
// on to the host's DefaultSaverProc.
extern "C" LRESULT CALLBACK ScreenSaverProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
