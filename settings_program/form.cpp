// The form: a column of labelled fields in a child window that scrolls, so
// that every field can be reached on a 240x320 screen and above the input
// panel. The column is laid out anew at each change of size, of the panel
// or of what the fields show.
#include <sipapi.h>

#include "app/message_table.h"
#include "base/text.h"
#include "settings_program/settings_program.h"

static const FieldForm GeneralForms[GENERAL_FIELD_COUNT] = {
    {L"Calls go through", LIST_CONTROL, false},
    {L"Dial plan", EDIT_CONTROL, false},
    {L"A number to try the dial plan on", EDIT_CONTROL, true},
    {L"Country code", EDIT_CONTROL, true},
    {L"This phone's number", EDIT_CONTROL, true},
    {L"Skin", LIST_CONTROL, false},
    {L"End the dialer when it is minimized", CHECK_CONTROL, false},
};

static const FieldForm ServiceForms[SERVICE_FIELD_COUNT] = {
    {L"Type", LIST_CONTROL, true},
    {L"Title", EDIT_CONTROL, false},
    {L"Username", EDIT_CONTROL, false},
    {L"Password", PASSWORD_CONTROL, true},
    {L"Click-to-dial URL", EDIT_CONTROL, true},
};

const FieldForm *FormOfField(int field)
{
    if (field < GENERAL_FIELD_COUNT)
        return &GeneralForms[field];
    return &ServiceForms[(field - GENERAL_FIELD_COUNT) % SERVICE_FIELD_COUNT];
}

int ServiceOfField(int field)
{
    return field < GENERAL_FIELD_COUNT ? 0 : (field - GENERAL_FIELD_COUNT) / SERVICE_FIELD_COUNT + 1;
}

HWND FieldControl(int field)
{
    return settings.rows[field * ROWS_PER_FIELD + CONTROL_ROW];
}

static HWND CreateRow(int field, int row, const WCHAR *className, const WCHAR *text, DWORD style)
{
    HWND control = CreateWindowExW(0, className, text, WS_CHILD | style, 0, 0, 0, 0, settings.form,
                                   (HMENU)(INT_PTR)FORM_ROW_ID(field, row), settings.instance, NULL);
    if (control)
        SendMessageW(control, WM_SETFONT, (WPARAM)(row == HEADING_ROW ? settings.headingFont : settings.font), FALSE);
    settings.rows[field * ROWS_PER_FIELD + row] = control;
    return control;
}

static HWND CreateFieldControl(int field, const FieldForm *form)
{
    switch (form->kind) {
    case LIST_CONTROL:
        return CreateRow(field, CONTROL_ROW, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
    case CHECK_CONTROL:
        return CreateRow(field, CONTROL_ROW, L"BUTTON", form->label,
                         WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE | BS_NOTIFY);
    case PASSWORD_CONTROL:
        return CreateRow(field, CONTROL_ROW, L"EDIT", L"", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_PASSWORD);
    default:
        return CreateRow(field, CONTROL_ROW, L"EDIT", L"", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL);
    }
}

bool CreateForm(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    settings.form = CreateWindowExW(WS_EX_CONTROLPARENT, SETTINGS_FORM_CLASS_NAME, L"",
                                    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN, 0, 0, client.right,
                                    client.bottom, window, NULL, settings.instance, NULL);
    if (!settings.form)
        return false;
    for (int field = 0; field < FIELD_COUNT; field++) {
        const FieldForm *form = FormOfField(field);
        int service = ServiceOfField(field);
        if (service && field == SERVICE_FIELD(service, SERVICE_TYPE_FIELD)) {
            WCHAR heading[32];
            TextFormat(heading, 32, L"Service %d", service);
            CreateRow(field, HEADING_ROW, L"STATIC", heading, SS_LEFT);
        }
        if (form->kind != CHECK_CONTROL)
            CreateRow(field, LABEL_ROW, L"STATIC", form->label, SS_LEFT);
        HWND control = CreateFieldControl(field, form);
        if (!control)
            return false;
        if (form->kind == EDIT_CONTROL || form->kind == PASSWORD_CONTROL)
            SendMessageW(control, EM_LIMITTEXT, FieldCapacity(field) - 1, 0);
        if (form->hasNote)
            CreateRow(field, NOTE_ROW, L"STATIC", L"", SS_LEFT);
    }
    return true;
}

// The height a row's text takes, wrapped at that width.
static int TextHeight(HWND note, int width)
{
    WCHAR text[NOTE_CAPACITY];
    if (GetWindowTextW(note, text, NOTE_CAPACITY) == 0)
        return 0;
    RECT box;
    SetRect(&box, 0, 0, width, 0);
    HDC dc = GetDC(note);
    HGDIOBJ old = SelectObject(dc, settings.font);
    DrawTextW(dc, text, -1, &box, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(note, dc);
    return box.bottom - box.top;
}

static int ControlHeight(void)
{
    return settings.lineHeight + settings.lineHeight / 2 + 2;
}

static int ColumnWidth(void)
{
    RECT client;
    GetClientRect(settings.form, &client);
    // Past forty lines' height a field is no easier to read, only wider.
    int width = client.right - settings.lineHeight;
    return width < settings.lineHeight * 40 ? width : settings.lineHeight * 40;
}

// The form's height that the input panel, when up, leaves in sight.
static int VisibleFormHeight(void)
{
    RECT client;
    GetClientRect(settings.form, &client);
    SIPINFO panel;
    ZeroMemory(&panel, sizeof(panel));
    panel.cbSize = sizeof(panel);
    if (!SipGetInfo(&panel) || !(panel.fdwFlags & SIPF_ON))
        return client.bottom;
    POINT origin = {0, 0};
    ClientToScreen(settings.form, &origin);
    int room = panel.rcSipRect.top - origin.y;
    if (room < settings.lineHeight * 3)
        room = settings.lineHeight * 3;
    return room < client.bottom ? room : client.bottom;
}

static void MeasureRows(int width)
{
    int gap = settings.lineHeight / 2;
    for (int field = 0; field < FIELD_COUNT; field++) {
        bool shown = FieldShown(field);
        FormRow *rows = &settings.rowSizes[field * ROWS_PER_FIELD];
        HWND *windows = &settings.rows[field * ROWS_PER_FIELD];
        rows[HEADING_ROW].height = windows[HEADING_ROW] ? settings.lineHeight + 2 : 0;
        rows[HEADING_ROW].gapBefore = settings.lineHeight;
        rows[LABEL_ROW].height = shown && windows[LABEL_ROW] ? settings.lineHeight : 0;
        rows[LABEL_ROW].gapBefore = gap;
        rows[CONTROL_ROW].height = shown ? ControlHeight() : 0;
        // A check's label wraps beside its box, however narrow the screen.
        if (shown && FormOfField(field)->kind == CHECK_CONTROL) {
            int label = TextHeight(windows[CONTROL_ROW], width - settings.lineHeight - 8) + settings.lineHeight / 2;
            rows[CONTROL_ROW].height = label > ControlHeight() ? label : ControlHeight();
        }
        rows[CONTROL_ROW].gapBefore = windows[LABEL_ROW] ? 1 : gap;
        rows[NOTE_ROW].height = shown && windows[NOTE_ROW] ? TextHeight(windows[NOTE_ROW], width) : 0;
        rows[NOTE_ROW].gapBefore = 1;
    }
}

static void PlaceRows(int width)
{
    int x = settings.lineHeight / 2;
    for (int i = 0; i < FORM_ROW_COUNT; i++) {
        HWND row = settings.rows[i];
        bool shown = settings.rowSizes[i].height > 0;
        // A hidden row is moved when it shows: each move is a round trip to
        // the window manager, and most rows of unused services stay hidden.
        if (!row || (!shown && !IsWindowVisible(row)))
            continue;
        int height = settings.rowSizes[i].height;
        // A drop-down list's window is as tall as the list it drops.
        if (height && i % ROWS_PER_FIELD == CONTROL_ROW && FormOfField(i / ROWS_PER_FIELD)->kind == LIST_CONTROL)
            height += settings.lineHeight * 8;
        if (shown)
            SetWindowPos(row, NULL, x, settings.rowTops[i] - settings.scrollOffset, width, height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        if (shown != (IsWindowVisible(row) != 0))
            ShowWindow(row, shown ? SW_SHOWNA : SW_HIDE);
    }
}

static void UpdateScrollBar(int view)
{
    SCROLLINFO info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMax = settings.contentHeight - 1;
    info.nPage = (UINT)view;
    info.nPos = settings.scrollOffset;
    SetScrollInfo(settings.form, SB_VERT, &info, TRUE);
}

void LayOutForm(void)
{
    if (!settings.form)
        return;
    int width = ColumnWidth();
    MeasureRows(width);
    settings.contentHeight =
        StackFormRows(settings.rowSizes, FORM_ROW_COUNT, settings.lineHeight / 2, settings.rowTops);
    int view = VisibleFormHeight();
    settings.scrollOffset = ClampScrollOffset(settings.scrollOffset, settings.contentHeight, view);
    PlaceRows(width);
    UpdateScrollBar(view);
    InvalidateRect(settings.form, NULL, TRUE);
}

void ScrollFormTo(int offset)
{
    offset = ClampScrollOffset(offset, settings.contentHeight, VisibleFormHeight());
    if (offset == settings.scrollOffset)
        return;
    settings.scrollOffset = offset;
    PlaceRows(ColumnWidth());
    UpdateScrollBar(VisibleFormHeight());
    InvalidateRect(settings.form, NULL, TRUE);
}

// With its label and its note, so that what is typed and what is said of
// it are seen together.
void ShowFieldInView(HWND control)
{
    for (int field = 0; field < FIELD_COUNT; field++) {
        if (FieldControl(field) != control)
            continue;
        int base = field * ROWS_PER_FIELD;
        int top = settings.rowTops[base + (settings.rowSizes[base + LABEL_ROW].height ? LABEL_ROW : CONTROL_ROW)];
        int bottom = settings.rowTops[base + CONTROL_ROW] + settings.rowSizes[base + CONTROL_ROW].height;
        if (settings.rowSizes[base + NOTE_ROW].height)
            bottom = settings.rowTops[base + NOTE_ROW] + settings.rowSizes[base + NOTE_ROW].height;
        ScrollFormTo(ScrollOffsetToShow(settings.scrollOffset, top, bottom, VisibleFormHeight()));
        return;
    }
}

static int ScrollTarget(WPARAM request)
{
    int page = VisibleFormHeight() - settings.lineHeight;
    switch (LOWORD(request)) {
    case SB_LINEUP:
        return settings.scrollOffset - settings.lineHeight;
    case SB_LINEDOWN:
        return settings.scrollOffset + settings.lineHeight;
    case SB_PAGEUP:
        return settings.scrollOffset - page;
    case SB_PAGEDOWN:
        return settings.scrollOffset + page;
    case SB_TOP:
        return 0;
    case SB_BOTTOM:
        return settings.contentHeight;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        return (short)HIWORD(request);
    default:
        return settings.scrollOffset;
    }
}

static LRESULT OnFormScroll(HWND, UINT, WPARAM wParam, LPARAM)
{
    ScrollFormTo(ScrollTarget(wParam));
    return 0;
}

// The panel comes up for typing and goes for choosing; either way the
// field stays in sight above it.
static void OnFieldFocus(HWND control, bool typed)
{
    SipShowIM(typed ? SIPF_ON : SIPF_OFF);
    ShowFieldInView(control);
}

static LRESULT OnFormCommand(HWND, UINT, WPARAM wParam, LPARAM lParam)
{
    HWND control = (HWND)lParam;
    switch (HIWORD(wParam)) {
    case EN_SETFOCUS:
        OnFieldFocus(control, true);
        break;
    case CBN_SETFOCUS:
    case BN_SETFOCUS:
        OnFieldFocus(control, false);
        break;
    case EN_CHANGE:
    case CBN_SELCHANGE:
    case BN_CLICKED:
        if (!settings.filling)
            RefreshForm();
        break;
    }
    return 0;
}

#ifdef WM_MOUSEWHEEL
static LRESULT OnFormWheel(HWND, UINT, WPARAM wParam, LPARAM)
{
    int notches = (short)HIWORD(wParam) / WHEEL_DELTA;
    ScrollFormTo(settings.scrollOffset - notches * settings.lineHeight * 3);
    return 0;
}
#endif

static const MessageRoute FormMessageTable[] = {
    {WM_VSCROLL, OnFormScroll},
    {WM_COMMAND, OnFormCommand},
#ifdef WM_MOUSEWHEEL
    {WM_MOUSEWHEEL, OnFormWheel},
#endif
};

LRESULT CALLBACK FormWndProc(HWND form, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RouteMessage(FormMessageTable, ARRAY_COUNT(FormMessageTable), form, message, wParam, lParam);
}
