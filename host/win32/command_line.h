#pragma once

namespace glimmerkin {

// The arguments text of a process command line: what follows the program's
// own name (ending at its closing quote when it begins with one, otherwise
// at the first character not above 0x20) and the run of characters not
// above 0x20 after it. Never null.
const char* ArgumentsAfterProgramName(const char* commandLine);

}  // namespace glimmerkin
