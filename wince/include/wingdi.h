// The phone's GDI declarations. The toolchain's wingdi.h keeps a few that
// Windows CE 5.0 has behind desktop version tests; they are given here.
#pragma once
#include_next <wingdi.h>

#ifndef CLEARTYPE_QUALITY
#define CLEARTYPE_QUALITY 5
#endif

#ifndef GRADIENT_FILL_RECT_H
#define GRADIENT_FILL_RECT_H 0x00
#define GRADIENT_FILL_RECT_V 0x01
#endif

#if WINVER < 0x0410
#ifdef __cplusplus
extern "C" {
#endif
WINGDIAPI BOOL WINAPI AlphaBlend(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                                 int ySrc, int wSrc, int hSrc, BLENDFUNCTION blendFunction);
WINGDIAPI BOOL WINAPI GradientFill(HDC hdc, PTRIVERTEX pVertex, ULONG nVertex, PVOID pMesh, ULONG nMesh, ULONG ulMode);
#ifdef __cplusplus
}
#endif
#endif
