#pragma once
// Appends one line to the log the Wine tests read: the file named by the
// environment variable GLIMMERKIN_DOUBLE_LOG, else C:\glimmerkin-doubles.log.
void DoubleLog(const char* format, ...);
