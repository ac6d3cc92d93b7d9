// The phone's shell (aygshell): what Windows Mobile 5 declares beyond the
// toolchain's aygshell.h, which comes first on the phone. The desktop's
// stand-in header takes these declarations from here too.
#pragma once
#ifdef UNDER_CE
#include_next <aygshell.h>
#endif
#include <windows.h>

#ifndef GN_CONTEXTMENU
#define GN_CONTEXTMENU 1000
#endif
#ifndef SHRG_RETURNCMD
#define SHRG_RETURNCMD 0x00000001
#define SHRG_NOTIFYPARENT 0x00000002
#define SHRG_LONGDELAY 0x00000008
#define SHRG_NOANIMATION 0x00000010
#endif
