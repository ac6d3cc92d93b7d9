// Fitting the number to the display's width: it is shown at the largest of
// numberFontHeight, two less, four less ... at which it fits, or at the
// last of them down to the smallest font.
//
// Making a font at every step to measure with it cost a long number a
// dozen fonts per key press. A number is made of the characters ' ' to '9',
// and its width is the sum of their advance widths, so those widths are
// kept for each height once a font of that height has been met. A press
// then makes at most the one font the number is shown in, and none while
// the height stays; that font also measures the whole text once more, to
// confirm the sum. Text with any other character, or a font whose widths do
// not add up, is measured step by step with a font per step, as it always
// was.
#include "base/text.h"
#include "display/display.h"

#define SMALLEST_NUMBER_FONT 4

// The fonts a fitting uses: the caller's font for one height, and the last
// one made here. Each is selected into the device context as it is used.
struct FontProbe {
    HDC dc;
    HFONT held;
    int heldHeight;
    HFONT made;
    int madeHeight;
};

static int MeasureWidth(HDC dc, const WCHAR *text)
{
    RECT measure = {0, 0, 0, 0};
    DrawTextW(dc, text, -1, &measure, DT_CALCRECT);
    return measure.right;
}

// Selects a font of the height into the device context, the held one or the
// last made if either is of that height, else a new one; the font made
// before it is deleted once it is no longer selected.
static HFONT SelectFontOfHeight(FontProbe *probe, int height)
{
    if (probe->held && probe->heldHeight == height) {
        SelectObject(probe->dc, probe->held);
        return probe->held;
    }
    if (!probe->made || probe->madeHeight != height) {
        HFONT font = CreateUiFont(height, FALSE, 0);
        SelectObject(probe->dc, font);
        if (probe->made)
            DeleteObject(probe->made);
        probe->made = font;
        probe->madeHeight = height;
    }
    SelectObject(probe->dc, probe->made);
    return probe->made;
}

// Whether the tables give the text's width: '&' has no place in them, since
// DrawText takes it for a mnemonic prefix.
static bool MadeOfTabledCharacters(const WCHAR *text)
{
    for (; *text; text++) {
        if (*text < NUMBER_WIDTH_FIRST || *text > NUMBER_WIDTH_LAST || *text == L'&')
            return false;
    }
    return true;
}

static NumberWidths *TableSlot(int height)
{
    int slot = height / 2;
    return slot < NUMBER_WIDTH_TABLES ? &app.numberWidths[slot] : NULL;
}

// Reads the widths of the font selected into the device context, which is
// of the given height, from the running extents of the characters in a row;
// a table the font does not fill stays unknown.
static void FillTable(HDC dc, NumberWidths *table, int height)
{
    WCHAR row[NUMBER_WIDTH_LAST - NUMBER_WIDTH_FIRST + 1];
    INT extents[ARRAY_COUNT(row)];
    SIZE size;
    for (size_t i = 0; i < ARRAY_COUNT(row); i++)
        row[i] = (WCHAR)(NUMBER_WIDTH_FIRST + i);
    table->height = 0;
    if (!GetTextExtentExPointW(dc, row, (int)ARRAY_COUNT(row), 0, NULL, extents, &size))
        return;
    for (size_t i = 0; i < ARRAY_COUNT(row); i++) {
        INT advance = extents[i] - (i ? extents[i - 1] : 0);
        if (advance < 0 || advance > 0xFFFF)
            return;
        table->advance[i] = (WORD)advance;
    }
    table->height = height;
}

// The widths at a height, from a font of that height when not known yet.
static const NumberWidths *WidthsAt(FontProbe *probe, int height)
{
    NumberWidths *table = TableSlot(height);
    if (!table)
        return NULL;
    if (table->height != height) {
        SelectFontOfHeight(probe, height);
        FillTable(probe->dc, table, height);
    }
    return table->height == height ? table : NULL;
}

static int TableWidth(const NumberWidths *table, const WCHAR *text)
{
    int width = 0;
    for (; *text; text++)
        width += table->advance[*text - NUMBER_WIDTH_FIRST];
    return width;
}

// Whether the text fits at the height; *known is cleared when its widths
// cannot be had.
static bool FitsAt(FontProbe *probe, const WCHAR *text, int height, int maxWidth, bool *known)
{
    const NumberWidths *table = WidthsAt(probe, height);
    if (!table)
        *known = false;
    return table && TableWidth(table, text) <= maxWidth;
}

// The height the step-by-step fitting would end with, found from the
// tables near a first guess; -1 when they cannot tell. Advance widths never
// shrink as the height grows, so the first height that fits from the top
// is the one below the lowest that does not.
static int FitFromTables(FontProbe *probe, const WCHAR *text, int startHeight, int maxWidth, int guess)
{
    bool known = true;
    int height = guess;
    if (!FitsAt(probe, text, height, maxWidth, &known)) {
        while (known && height > SMALLEST_NUMBER_FONT) {
            height -= 2;
            if (FitsAt(probe, text, height, maxWidth, &known))
                break;
        }
    } else {
        // The start height itself does not fit: the caller measured it.
        while (known && height + 2 < startHeight && FitsAt(probe, text, height + 2, maxWidth, &known))
            height += 2;
    }
    return known ? height : -1;
}

// Where to look first: the height already held, since a key press moves
// the fitted height by a step at most, else the height at which the width
// shrinks in proportion to fit.
static int FirstGuess(int startHeight, int startWidth, int maxWidth, int heldHeight)
{
    // The steps go down to the first height of SMALLEST_NUMBER_FONT or less.
    if (heldHeight > SMALLEST_NUMBER_FONT - 2 && heldHeight < startHeight && (startHeight - heldHeight) % 2 == 0)
        return heldHeight;
    int height = startHeight - 2;
    while (height > SMALLEST_NUMBER_FONT && (LONGLONG)startWidth * height > (LONGLONG)maxWidth * startHeight)
        height -= 2;
    return height;
}

// The old way: a font per step, down from the start height.
static int FitByMeasuring(FontProbe *probe, const WCHAR *text, int startHeight, int maxWidth)
{
    int height = startHeight;
    do {
        height -= 2;
        SelectFontOfHeight(probe, height);
    } while (MeasureWidth(probe->dc, text) > maxWidth && height > SMALLEST_NUMBER_FONT);
    return height;
}

// The height found from the tables, confirmed by measuring the text with
// the font of that height; -1 when the tables cannot be trusted for it.
static int FitWithTables(FontProbe *probe, const WCHAR *text, int startHeight, int startWidth, int maxWidth)
{
    NumberWidths *startTable = TableSlot(startHeight);
    if (!startTable || !MadeOfTabledCharacters(text))
        return -1;
    if (startTable->height != startHeight)
        FillTable(probe->dc, startTable, startHeight); // the start font is selected
    if (startTable->height != startHeight || TableWidth(startTable, text) != startWidth)
        return -1;
    int guess = FirstGuess(startHeight, startWidth, maxWidth, probe->held ? probe->heldHeight : 0);
    int height = FitFromTables(probe, text, startHeight, maxWidth, guess);
    if (height < 0)
        return -1;
    SelectFontOfHeight(probe, height);
    return MeasureWidth(probe->dc, text) == TableWidth(TableSlot(height), text) ? height : -1;
}

int FitTextHeight(HDC dc, const WCHAR *text, HFONT startFont, int startHeight, int maxWidth, SizedFont *fitted)
{
    FontProbe probe = {dc, fitted->font, fitted->height, NULL, 0};
    HGDIOBJ previous = SelectObject(dc, startFont);
    int height = startHeight;
    int startWidth = MeasureWidth(dc, text);
    if (startWidth > maxWidth && startHeight > SMALLEST_NUMBER_FONT) {
        height = FitWithTables(&probe, text, startHeight, startWidth, maxWidth);
        if (height < 0)
            height = FitByMeasuring(&probe, text, startHeight, maxWidth);
    }
    HFONT font = height == startHeight ? NULL : SelectFontOfHeight(&probe, height);
    SelectObject(dc, previous);
    if (probe.made && probe.made != font)
        DeleteObject(probe.made);
    if (probe.held && probe.held != font)
        DeleteObject(probe.held);
    fitted->font = font;
    fitted->height = height;
    return height;
}

bool LearnNumberWidths(void)
{
    int start = app.metrics.numberFontHeight;
    // The start height and every step below it, down to the first of the
    // smallest font or less.
    for (int height = start; height > SMALLEST_NUMBER_FONT - 2; height -= 2) {
        NumberWidths *table = TableSlot(height);
        if (!table || !app.numberFont)
            return false;
        if (table->height == height)
            continue;
        HDC dc = CreateCompatibleDC(NULL);
        HFONT font = height == start ? app.numberFont : CreateUiFont(height, FALSE, 0);
        HGDIOBJ previous = SelectObject(dc, font);
        FillTable(dc, table, height);
        SelectObject(dc, previous);
        if (font != app.numberFont)
            DeleteObject(font);
        DeleteDC(dc);
        return table->height == height;
    }
    return false;
}

// The number's height depends only on its text and the layout, so it is
// worked out when either changes and every paint reuses the font. At the
// full height the font is numberFont itself.
void FitNumberToDisplay(void)
{
    if (!app.numberFont || IsRectEmpty(&app.keypadAreaRect))
        return; // before the first layout; the layout fits it
    SizedFont fitted = {app.fittedNumberFont, app.fittedNumberHeight};
    if (app.DisplayNumber[0]) {
        // Until the first paint has made the surfaces, a bare memory DC
        // measures the same.
        HDC dc = app.backBuffer.dc ? app.backBuffer.dc : CreateCompatibleDC(NULL);
        FitTextHeight(dc, app.DisplayNumber, app.numberFont, app.metrics.numberFontHeight, app.keypadAreaRect.right,
                      &fitted);
        if (dc != app.backBuffer.dc)
            DeleteDC(dc);
    } else {
        if (fitted.font)
            DeleteObject(fitted.font);
        fitted.font = NULL;
        fitted.height = app.metrics.numberFontHeight;
    }
    app.fittedNumberFont = fitted.font;
    app.fittedNumberHeight = fitted.height;
}
