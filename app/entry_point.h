// The build's kind and the entry point it calls, for each program.
#pragma once

// Whether this build runs on desktop Windows (or Wine) or on the phone, whose
// compiler defines UNDER_CE. The few places where the desktop's shell or
// window manager hands the program something in another form than the
// device does test this; both forms are compiled in both builds.
#ifdef UNDER_CE
#define ZEMBRIK_DESKTOP 0
#else
#define ZEMBRIK_DESKTOP 1
#endif
// The entry point with the wide command line: the phone's WinMain takes one,
// the desktop's wide one is wWinMain.
#if ZEMBRIK_DESKTOP
#define ZEMBRIK_ENTRY_POINT wWinMain
#else
#define ZEMBRIK_ENTRY_POINT WinMain
#endif
