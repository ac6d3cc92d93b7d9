// Pellomar's window: a header with the page's title, the page's list of
// numbers (under a search field on Search) and, below it, the buttons for
// the selected number. Enter, a double click and Call hand the number to
// the dialer; the page follows its file while it is open.
#include "pellomar/pellomar.h"

#include "pellomar/contact_search.h"

static const wchar_t *const kOptions[] = {L"-favorites", L"-recents", L"-contacts", L"-search"};
static const wchar_t *const kTitles[] = {L"Favorites", L"Recents", L"Contacts", L"Search"};
static const wchar_t *const kEmptyTexts[][2] = {
    {L"No favorites yet", L"Mark a contact as a favorite in Contacts or Search, and it shows up here."},
    {L"No recent calls", L"Calls you make are listed here."},
    {L"No contacts", L"Contacts saved in the dialer appear here."},
    {L"No matches", L"No name or number contains what you typed."},
};
static const wchar_t kClassName[] = L"Pellomar";
static const wchar_t kMarkText[] = L"\u2606 Favorite", kUnmarkText[] = L"\u2605 Unfavorite";
static const ULONG_PTR kPageMessage = 0x50474531;

enum { ID_LIST = 101, ID_SEARCH, ID_CLOSE, ID_CALL, ID_FAVORITE, ID_WATCH_TIMER };
// How often an open page looks whether its file changed.
#define WATCH_INTERVAL_MS 1000

static const COLORREF kBackground = RGB(22, 24, 29), kHeader = RGB(38, 43, 52), kText = RGB(232, 234, 238),
                      kDim = RGB(146, 153, 166), kField = RGB(46, 51, 61), kSelected = RGB(0, 94, 160),
                      kRule = RGB(40, 44, 52), kCall = RGB(24, 128, 56);

static struct {
    HWND window, list, search, close, call, favorite;
    HFONT font, titleFont, smallFont;
    HBRUSH background, field;
    int scale = 1;
    Page page = PAGE_CONTACTS;
    PageData data;
    std::vector<Entry> shown;
    ULONGLONG fileStamp = 0;
    const wchar_t *emptyText = L"", *emptyHint = L"";
} g;

// The dialer passes the option as the whole command line, while a shell puts
// the program's path first, so every word is looked at.
static Page PageFromCommandLine(const wchar_t *commandLine)
{
    std::wstring word;
    bool quoted = false;
    for (const wchar_t *p = commandLine;; p++) {
        if (*p == L'"') {
            quoted = !quoted;
        } else if (*p == 0 || (!quoted && (*p == L' ' || *p == L'\t'))) {
            for (int page = 0; page < 4; page++)
                if (lstrcmpiW(word.c_str(), kOptions[page]) == 0)
                    return (Page)page;
            word.clear();
            if (*p == 0)
                return PAGE_CONTACTS;
        } else {
            word += *p;
        }
    }
}

static bool ListsContacts()
{
    return g.page != PAGE_RECENTS;
}

static const Entry *SelectedEntry()
{
    LRESULT index = SendMessageW(g.list, LB_GETCURSEL, 0, 0);
    return index >= 0 && (size_t)index < g.shown.size() ? &g.shown[index] : NULL;
}

static void ShowButtons()
{
    bool listed = !g.shown.empty();
    ShowWindow(g.call, listed ? SW_SHOWNA : SW_HIDE);
    ShowWindow(g.favorite, listed && ListsContacts() ? SW_SHOWNA : SW_HIDE);
    const Entry *entry = SelectedEntry();
    SetWindowTextW(g.favorite, entry && entry->favorite ? kUnmarkText : kMarkText);
    InvalidateRect(g.favorite, NULL, FALSE);
}

static std::wstring SearchText()
{
    std::wstring text(GetWindowTextLengthW(g.search) + 1, L'\0');
    text.resize(GetWindowTextW(g.search, text.data(), (int)text.size()));
    return text;
}

// Lists the page's entries that match the search (all of them elsewhere),
// keeping the selected row where it was.
static void Refilter()
{
    LRESULT selected = SendMessageW(g.list, LB_GETCURSEL, 0, 0);
    std::wstring typed = g.page == PAGE_SEARCH ? SearchText() : std::wstring();
    g.shown.clear();
    for (const Entry &entry : g.data.entries)
        if (ContactMatchesSearch(entry.name.c_str(), entry.number.c_str(), typed.c_str()))
            g.shown.push_back(entry);

    SendMessageW(g.list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(g.list, LB_RESETCONTENT, 0, 0);
    for (const Entry &entry : g.shown) {
        std::wstring line = entry.name.empty() || entry.number.empty() ? entry.name + entry.number
                                                                        : entry.name + L"  " + entry.number;
        if (!entry.time.empty())
            line += L"  " + ShownTime(entry.time);
        SendMessageW(g.list, LB_ADDSTRING, 0, (LPARAM)line.c_str());
    }
    if (!g.shown.empty())
        SendMessageW(g.list, LB_SETCURSEL, selected >= 0 && (size_t)selected < g.shown.size() ? selected : 0, 0);
    SendMessageW(g.list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(g.list, NULL, TRUE);

    int empty = g.page == PAGE_SEARCH && !g.data.entries.empty() ? PAGE_SEARCH
                : g.page == PAGE_SEARCH                          ? PAGE_CONTACTS
                                                                 : g.page;
    g.emptyText = kEmptyTexts[empty][0];
    g.emptyHint = kEmptyTexts[empty][1];
    ShowWindow(g.list, g.shown.empty() ? SW_HIDE : SW_SHOWNA);
    ShowButtons();
    InvalidateRect(g.window, NULL, TRUE);
}

static void Reload()
{
    g.fileStamp = FileStamp(PageFile(g.page));
    LoadPage(g.page, &g.data);
    Refilter();
}

static int HeaderHeight()
{
    return 30 * g.scale;
}

static void Layout()
{
    RECT client;
    GetClientRect(g.window, &client);
    int s = g.scale, header = HeaderHeight(), top = header, bar = 32 * s;
    MoveWindow(g.close, client.right - header, 0, header, header, TRUE);
    if (g.page == PAGE_SEARCH) {
        MoveWindow(g.search, 10 * s, header + 9 * s, client.right - 20 * s, 16 * s, TRUE);
        top += 32 * s;
    }
    int bottom = client.bottom - bar;
    int half = ListsContacts() ? client.right / 2 : client.right;
    MoveWindow(g.call, 0, bottom, half, bar, TRUE);
    MoveWindow(g.favorite, half, bottom, client.right - half, bar, TRUE);
    MoveWindow(g.list, 0, top, client.right, bottom - top, TRUE);
}

static void SetPage(Page page)
{
    g.page = page;
    SetWindowTextW(g.window, (std::wstring(kTitles[page]) + L" - Pellomar").c_str());
    SendMessageW(g.list, LB_SETCURSEL, (WPARAM)-1, 0);
    ShowWindow(g.search, page == PAGE_SEARCH ? SW_SHOWNA : SW_HIDE);
    Layout();
    Reload();
    SetFocus(page == PAGE_SEARCH ? g.search : g.list);
}

static void CallSelected()
{
    if (const Entry *entry = SelectedEntry())
        CallThroughDialer(g.window, *entry);
}

static void ToggleSelectedFavorite()
{
    const Entry *entry = SelectedEntry();
    if (!entry || entry->contact < 0 || (size_t)entry->contact >= g.data.contacts.size())
        return;
    SetFavorite(g.window, g.data.contacts[entry->contact], !entry->favorite);
    Reload();
}

static void OnContextMenu(LPARAM lParam)
{
    POINT point = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    if (lParam != -1) {
        POINT client = point;
        ScreenToClient(g.list, &client);
        LRESULT hit = SendMessageW(g.list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
        if (HIWORD(hit))
            return;
        SendMessageW(g.list, LB_SETCURSEL, LOWORD(hit), 0);
        ShowButtons();
    }
    const Entry *entry = SelectedEntry();
    if (!entry)
        return;
    if (lParam == -1) {
        RECT item;
        SendMessageW(g.list, LB_GETITEMRECT, SendMessageW(g.list, LB_GETCURSEL, 0, 0), (LPARAM)&item);
        point = {item.left + 20 * g.scale, item.bottom};
        ClientToScreen(g.list, &point);
    }
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, ID_CALL, (L"Call " + entry->number).c_str());
    if (entry->contact >= 0)
        AppendMenuW(menu, MF_STRING, ID_FAVORITE, entry->favorite ? L"Remove from favorites" : L"Add to favorites");
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, point.x, point.y, 0, g.window, NULL);
    DestroyMenu(menu);
}

static HFONT MakeFont(int pixels, int weight)
{
    return CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Tahoma");
}

static HWND MakeButton(const wchar_t *text, int id)
{
    return CreateWindowExW(0, L"BUTTON", text, WS_CHILD | BS_OWNERDRAW, 0, 0, 0, 0, g.window, (HMENU)(INT_PTR)id,
                           GetModuleHandleW(NULL), NULL);
}

static void OnCreate(HWND window)
{
    g.window = window;
    RECT client;
    GetClientRect(window, &client);
    g.scale = client.right >= 480 ? client.right / 240 : 1;
    g.font = MakeFont(12 * g.scale, FW_NORMAL);
    g.smallFont = MakeFont(11 * g.scale, FW_NORMAL);
    g.titleFont = MakeFont(15 * g.scale, FW_BOLD);
    g.background = CreateSolidBrush(kBackground);
    g.field = CreateSolidBrush(kField);
    HINSTANCE instance = GetModuleHandleW(NULL);
    g.list =
        CreateWindowExW(0, L"LISTBOX", NULL,
                        WS_CHILD | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                        0, 0, 0, 0, window, (HMENU)ID_LIST, instance, NULL);
    g.search = CreateWindowExW(0, L"EDIT", NULL, WS_CHILD | ES_AUTOHSCROLL, 0, 0, 0, 0, window, (HMENU)ID_SEARCH,
                               instance, NULL);
    g.close = MakeButton(L"Close", ID_CLOSE);
    ShowWindow(g.close, SW_SHOWNA);
    g.call = MakeButton(L"Call", ID_CALL);
    g.favorite = MakeButton(kMarkText, ID_FAVORITE);
    SendMessageW(g.search, WM_SETFONT, (WPARAM)g.font, FALSE);
    SetTimer(window, ID_WATCH_TIMER, WATCH_INTERVAL_MS, NULL);
}

static void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client, header;
    GetClientRect(window, &client);
    int s = g.scale;
    SetRect(&header, 0, 0, client.right, HeaderHeight());
    FillRect(dc, &client, g.background);
    HBRUSH headerBrush = CreateSolidBrush(kHeader);
    FillRect(dc, &header, headerBrush);
    DeleteObject(headerBrush);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kText);
    SelectObject(dc, g.titleFont);
    RECT title = header;
    title.left = 10 * s;
    DrawTextW(dc, kTitles[g.page], -1, &title, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);

    RECT content = {0, header.bottom, client.right, client.bottom};
    if (g.page == PAGE_SEARCH) {
        RECT box = {6 * s, header.bottom + 6 * s, client.right - 6 * s, header.bottom + 28 * s};
        FillRect(dc, &box, g.field);
        content.top = box.bottom;
    }
    if (!IsWindowVisible(g.list)) {
        RECT text = {12 * s, content.top + (content.bottom - content.top) / 3, client.right - 12 * s, content.bottom};
        SelectObject(dc, g.font);
        DrawTextW(dc, g.emptyText, -1, &text, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
        text.top += 22 * s;
        SetTextColor(dc, kDim);
        SelectObject(dc, g.smallFont);
        DrawTextW(dc, g.emptyHint, -1, &text, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    }
    EndPaint(window, &paint);
}

static void FillWith(HDC dc, const RECT &r, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

static void DrawButton(const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    bool pressed = (item->itemState & ODS_SELECTED) != 0;
    bool close = item->CtlID == ID_CLOSE;
    FillWith(dc, r, close ? kHeader : item->CtlID == ID_CALL ? kCall : kField);
    if (!close) {
        RECT rule = {r.left, r.top, r.right, r.top + 1};
        FillWith(dc, rule, kRule);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, pressed || !close ? kText : kDim);
    SelectObject(dc, close ? g.titleFont : g.font);
    WCHAR text[64];
    GetWindowTextW(item->hwndItem, text, 64);
    DrawTextW(dc, close ? L"\u00D7" : text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

static void DrawRightText(HDC dc, RECT *r, const std::wstring &text, COLORREF color)
{
    if (text.empty())
        return;
    SIZE size;
    GetTextExtentPoint32W(dc, text.c_str(), (int)text.size(), &size);
    SetTextColor(dc, color);
    DrawTextW(dc, text.c_str(), -1, r, DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    r->right -= size.cx + 8 * g.scale;
}

static void OnDrawItem(const DRAWITEMSTRUCT *item)
{
    if (item->CtlID != ID_LIST) {
        DrawButton(item);
        return;
    }
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    FillWith(dc, r, selected ? kSelected : kBackground);
    if (item->itemID >= g.shown.size())
        return;
    const Entry &entry = g.shown[item->itemID];
    RECT rule = {r.left, r.bottom - 1, r.right, r.bottom};
    FillWith(dc, rule, kRule);
    SetBkMode(dc, TRANSPARENT);
    r.left += 10 * g.scale;
    r.right -= 6 * g.scale;
    SelectObject(dc, g.font);
    DrawRightText(dc, &r, entry.favorite && g.page != PAGE_FAVORITES ? L"\u2605" : L"", kText);
    DrawRightText(dc, &r, ShownTime(entry.time), selected ? kText : kDim);
    SetTextColor(dc, kText);
    const std::wstring &first = entry.name.empty() ? entry.number : entry.name;
    DrawTextW(dc, first.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (entry.name.empty() || entry.number.empty())
        return;
    SIZE size;
    GetTextExtentPoint32W(dc, (entry.name + L"  ").c_str(), (int)entry.name.size() + 2, &size);
    r.left += size.cx;
    SetTextColor(dc, selected ? kText : kDim);
    DrawTextW(dc, entry.number.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

static bool OnCopyData(const COPYDATASTRUCT *data)
{
    if (data->dwData != kPageMessage || !data->lpData)
        return false;
    std::wstring text((const wchar_t *)data->lpData, data->cbData / sizeof(wchar_t));
    SetPage(PageFromCommandLine(text.c_str()));
    if (IsIconic(g.window))
        ShowWindow(g.window, SW_RESTORE);
    return true;
}

static void OnCommand(WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case ID_SEARCH:
        if (HIWORD(wParam) == EN_CHANGE)
            Refilter();
        break;
    case ID_LIST:
        if (HIWORD(wParam) == LBN_DBLCLK)
            CallSelected();
        else if (HIWORD(wParam) == LBN_SELCHANGE)
            ShowButtons();
        break;
    case ID_CALL:
        CallSelected();
        break;
    case ID_FAVORITE:
        ToggleSelectedFavorite();
        break;
    case ID_CLOSE:
        DestroyWindow(g.window);
        break;
    }
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_SIZE:
        Layout();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_MEASUREITEM:
        ((MEASUREITEMSTRUCT *)lParam)->itemHeight = 24 * g.scale;
        return TRUE;
    case WM_DRAWITEM:
        OnDrawItem((const DRAWITEMSTRUCT *)lParam);
        return TRUE;
    case WM_CTLCOLOREDIT:
        SetTextColor((HDC)wParam, kText);
        SetBkColor((HDC)wParam, kField);
        return (LRESULT)g.field;
    case WM_CTLCOLORLISTBOX:
        return (LRESULT)g.background;
    case WM_COMMAND:
        OnCommand(wParam);
        return 0;
    case WM_CONTEXTMENU:
        if ((HWND)wParam == g.list)
            OnContextMenu(lParam);
        return 0;
    case WM_TIMER:
        if (wParam == ID_WATCH_TIMER && FileStamp(PageFile(g.page)) != g.fileStamp)
            Reload();
        return 0;
    case WM_COPYDATA:
        return OnCopyData((const COPYDATASTRUCT *)lParam);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Keys that act on the whole window, whichever control has the keyboard:
// Escape closes, Enter calls the selected number, and the arrows move the
// selection while the search field is being typed in.
static bool OnWindowKey(HWND window, const MSG &message)
{
    if (message.message != WM_KEYDOWN)
        return false;
    switch (message.wParam) {
    case VK_ESCAPE:
        DestroyWindow(window);
        return true;
    case VK_RETURN:
        // A held Enter repeats: one call, not one a repeat.
        if (!(message.lParam & (1 << 30)))
            CallSelected();
        return true;
    case VK_UP:
    case VK_DOWN:
        if (message.hwnd != g.search)
            return false;
        SendMessageW(g.list, WM_KEYDOWN, message.wParam, 0);
        ShowButtons();
        return true;
    }
    return false;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    const wchar_t *commandLine = GetCommandLineW();
    // One Pellomar at a time: a later start turns the running one to its page.
    if (HWND running = FindWindowW(kClassName, NULL)) {
        COPYDATASTRUCT data = {kPageMessage, (DWORD)((lstrlenW(commandLine) + 1) * sizeof(wchar_t)),
                               (void *)commandLine};
        DWORD_PTR handled = 0;
        if (SendMessageTimeoutW(running, WM_COPYDATA, 0, (LPARAM)&data, SMTO_ABORTIFHUNG, 3000, &handled) && handled) {
            SetForegroundWindow(running);
            return 0;
        }
    }

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(NULL, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassW(&windowClass))
        return 1;
    RECT work;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    HWND window =
        CreateWindowExW(WS_EX_APPWINDOW, kClassName, L"Pellomar", WS_POPUP | WS_SYSMENU | WS_CLIPCHILDREN, work.left,
                        work.top, work.right - work.left, work.bottom - work.top, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    SetPage(PageFromCommandLine(commandLine));
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        if (OnWindowKey(window, message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
