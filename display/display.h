// The screen: layout metrics and rectangles, fonts, and the status values
// that the status bar shows.
#pragma once
#include "app/app_state.h"

#define STATUS_SIGNAL 1
#define STATUS_OPERATOR 2
#define STATUS_TIME 4
#define STATUS_BATTERY 8
#define STATUS_BLUETOOTH 16
#define STATUS_SOUND_MODE 32
#define STATUS_NETWORK 64
#define STATUS_ALL 255

void ScaleMetricsForDpi(int dpi);
HFONT CreateUiFont(int height, BOOL bold, BYTE italic);
// The rectangles and the number's font for the window's size, and the skin
// while it is not loaded, now; the surfaces drawn from them follow at the
// next paint of a new size.
void LayOutWindow(HWND window);
// Makes the surfaces for the window's size if they are of another size.
void PrepareSurfaces(HWND window);
// Both at once, the surfaces made anew.
void ComputeLayout(HWND window);

void RegisterStatusNotifications(HWND window);
void ReadStatus(UINT mask);
void CloseStatusNotifications(void);
void DrawStatusBar(HDC dc, int left, int top, int right, int bottom, HDC skin, HFONT font, const WCHAR *title);
// A bitmap of the default skin, from its copy built into the program; null
// when the system has no memory for it.
HBITMAP CreateBuiltInSkin(void);

// Painting
LRESULT PaintMainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void DrawKeypad(HDC dc);
void DrawGradientButton(HDC dc, int left, int top, int right, int bottom, COLORREF c1, COLORREF c2, COLORREF c3,
                        COLORREF c4);
// A font made at a height, owned by whoever holds it.
struct SizedFont {
    HFONT font;
    int height;
};
// The largest of startHeight, startHeight - 2, ... at which the text is no
// wider than maxWidth, or the last of them down to 4. fitted holds the font
// the caller has for one height, or none; it receives the font for the
// height found (none for startHeight), and the font it held is deleted
// unless it is that one. The device context is left with its font.
int FitTextHeight(HDC dc, const WCHAR *text, HFONT startFont, int startHeight, int maxWidth, SizedFont *fitted);
// Learns the character widths of one more height the number may be shown
// at, so that fitting it later makes no font to measure; false once there
// is nothing left to learn.
bool LearnNumberWidths(void);
// Works out the number's font for the current DisplayNumber and layout.
void FitNumberToDisplay(void);
