// The settings form's arithmetic: rows stacked down a scrolling column and
// the scroll offset that keeps a field in view. Pure functions of their
// arguments.
#pragma once
#include "base/portable_types.h"

struct FormRow {
    int height;    // 0: hidden, and no room is taken
    int gapBefore; // the room above it, when shown
};

// Puts each shown row below the one before, from the margin, into tops;
// returns the height of the whole column with the margin below it.
int StackFormRows(const FormRow *rows, int count, int margin, int *tops);
// The offset within 0 .. content - view (0 when all of it fits).
int ClampScrollOffset(int offset, int contentHeight, int viewHeight);
// The least change of offset that shows the span top .. bottom (column
// coordinates) in a view of that height; its top when it is taller.
int ScrollOffsetToShow(int offset, int top, int bottom, int viewHeight);
