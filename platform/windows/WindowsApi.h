#pragma once

// <windows.h> as every Windows source of ours takes it: without the parts we never use, and
// without the min and max macros that would break the standard library's.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
