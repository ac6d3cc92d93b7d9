// Bounded UTF-16 text helpers. Every capacity counts units including the
// terminator. None of them writes past the buffer, and each leaves it
// terminated whenever the capacity is at least 1. They return TRUE when the
// whole text fitted and FALSE when it was cut.
#pragma once
#include "base/portable_types.h"

size_t TextLength(const WCHAR *text);
BOOL TextCopy(WCHAR *dest, size_t capacity, const WCHAR *source);
BOOL TextCopyCount(WCHAR *dest, size_t capacity, const WCHAR *source, size_t maxUnits);
BOOL TextAppend(WCHAR *dest, size_t capacity, const WCHAR *source);
// The program's own formatter: %s (a wide string), %d, %x and %%.
BOOL TextFormat(WCHAR *dest, size_t capacity, const WCHAR *format, ...);
const WCHAR *TextFind(const WCHAR *text, const WCHAR *what);
const WCHAR *TextFindUnit(const WCHAR *text, WCHAR unit);
BOOL TextStartsWith(const WCHAR *text, const WCHAR *prefix);
BOOL TextEqual(const WCHAR *a, const WCHAR *b);
int ParseDecimal(const WCHAR *text);
void TrimToFolder(WCHAR *path);
void TrimToParentFolder(WCHAR *path);
// C0 controls, DEL and the C1 controls: none is shown as itself, and a TAB
// or a line break inside a text would end the line or column it is in.
BOOL TextIsControl(WCHAR unit);
BOOL TextHoldsControl(const WCHAR *text);
// The controls, and the marks, embeddings, overrides and isolates that
// reorder the text around them: characters not shown as themselves.
BOOL TextIsHiddenFormatting(WCHAR unit);
