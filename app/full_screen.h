// A program's window over the whole screen, as the phone's full-screen
// programs are: the shell's bars hidden as asked, the window moved only
// when it is not there already.
#pragma once
#include <windows.h>

void FillScreen(HWND window, DWORD shellState);
