#include "settings_program/form_layout.h"

int StackFormRows(const FormRow *rows, int count, int margin, int *tops)
{
    int y = margin;
    bool first = true;
    for (int i = 0; i < count; i++) {
        tops[i] = y;
        if (rows[i].height <= 0)
            continue;
        if (!first)
            y += rows[i].gapBefore;
        tops[i] = y;
        y += rows[i].height;
        first = false;
    }
    return y + margin;
}

int ClampScrollOffset(int offset, int contentHeight, int viewHeight)
{
    int most = contentHeight - viewHeight;
    if (offset > most)
        offset = most;
    return offset < 0 ? 0 : offset;
}

int ScrollOffsetToShow(int offset, int top, int bottom, int viewHeight)
{
    if (top < offset || bottom - top > viewHeight)
        return top;
    if (bottom > offset + viewHeight)
        return bottom - viewHeight;
    return offset;
}
