#pragma once
// The drawing backend is chosen at build time. Each provides, in namespace
// glimmerkin: Surface (with View, its pixels in memory), ReferenceContext,
// CreateScratchSurface, CreateWorkSurface, CopySurface, ClearRect and
// Picture with the plain and masked resource constructors (given the
// scratch surfaces a draw borrows), DrawCell and DrawWhole.
#if defined(GLIMMERKIN_GDI)
#include "draw/win32/gdi.h"
#else
#include "draw/raster/raster.h"
#endif
