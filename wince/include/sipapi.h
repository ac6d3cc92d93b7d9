// The toolchain's soft input panel header names types of windows.h and
// objbase.h without including them.
#pragma once
#include <windows.h>

#include <objbase.h>

#include_next <sipapi.h>
