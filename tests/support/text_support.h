// Helpers of the text logic's tests, which build for the desktop and, with
// no platform under them, for 32-bit ARM (cmake/arm-linux-gnueabihf.cmake):
// nothing here may need the platform's headers.
#pragma once
#include <string>

// The text as UTF-8, for the tests' messages; an unpaired surrogate becomes
// U+FFFD, as the system's own conversion makes it.
std::string Narrow(const std::wstring &text);
