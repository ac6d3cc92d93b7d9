// Pellomar, the phone's contacts program, as far as the dialer needs it: it
// opens on the page the dialer names and lists the dialer's contacts.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/contact_store.h"

enum Page { PAGE_FAVORITES, PAGE_RECENTS, PAGE_CONTACTS, PAGE_SEARCH };

static const wchar_t *const kOptions[] = {L"-favorites", L"-recents", L"-contacts", L"-search"};
static const wchar_t *const kTitles[] = {L"Favorites", L"Recents", L"Contacts", L"Search"};
static const wchar_t *const kEmptyTexts[][2] = {
    {L"No favorites yet", L"Contacts you mark as favorites show up here, one tap away."},
    {L"No recent calls", L"Calls you make and receive are listed here."},
    {L"No contacts", L"Contacts saved in the dialer appear here."},
    {L"No matches", L"No name or number contains what you typed."},
};
static const wchar_t kClassName[] = L"Pellomar";
static const ULONG_PTR kPageMessage = 0x50474531;

enum { ID_LIST = 101, ID_SEARCH, ID_CLOSE };

static const COLORREF kBackground = RGB(22, 24, 29), kHeader = RGB(38, 43, 52), kText = RGB(232, 234, 238),
                      kDim = RGB(146, 153, 166), kField = RGB(46, 51, 61), kSelected = RGB(0, 94, 160),
                      kRule = RGB(40, 44, 52);

struct Entry {
    std::wstring name, number;
};

static struct {
    HWND window, list, search, close;
    HFONT font, titleFont, smallFont;
    HBRUSH background, field;
    int scale = 1;
    Page page = PAGE_CONTACTS;
    std::vector<Entry> entries, shown;
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

// <device>\Pellomar\Pellomar.exe reads the dialer's <device>\Zembrik\contacts.vcf.
// An installed pair shares the user's ...\Zembrik\ folder, which this finds
// all the same.
static std::wstring StorePath()
{
    std::wstring own = ContactStorePath();
    size_t folderEnd = own.find_last_of(L'\\');
    if (folderEnd != std::wstring::npos && folderEnd > 0) {
        size_t parentEnd = own.find_last_of(L'\\', folderEnd - 1);
        if (parentEnd != std::wstring::npos) {
            std::wstring dialer = own.substr(0, parentEnd + 1) + L"Zembrik\\contacts.vcf";
            if (GetFileAttributesW(dialer.c_str()) != INVALID_FILE_ATTRIBUTES)
                return dialer;
        }
    }
    return own;
}

static void LoadEntries()
{
    g.entries.clear();
    for (const StoredContact &contact : LoadContacts(StorePath())) {
        if (contact.numbers.empty())
            g.entries.push_back({contact.name, L""});
        for (const std::wstring &number : contact.numbers)
            g.entries.push_back({contact.name, number});
    }
}

static std::wstring Lower(std::wstring text)
{
    if (!text.empty())
        CharLowerBuffW(text.data(), (DWORD)text.size());
    return text;
}

static void Refilter()
{
    std::wstring filter;
    if (g.page == PAGE_SEARCH) {
        filter.resize(GetWindowTextLengthW(g.search) + 1);
        filter.resize(GetWindowTextW(g.search, filter.data(), (int)filter.size()));
        filter = Lower(filter);
    }
    g.shown.clear();
    for (const Entry &entry : g.entries)
        if (Lower(entry.name).find(filter) != std::wstring::npos ||
            Lower(entry.number).find(filter) != std::wstring::npos)
            g.shown.push_back(entry);

    SendMessageW(g.list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(g.list, LB_RESETCONTENT, 0, 0);
    for (const Entry &entry : g.shown) {
        std::wstring line =
            entry.name.empty() || entry.number.empty() ? entry.name + entry.number : entry.name + L"  " + entry.number;
        SendMessageW(g.list, LB_ADDSTRING, 0, (LPARAM)line.c_str());
    }
    SendMessageW(g.list, WM_SETREDRAW, TRUE, 0);

    int empty = g.page == PAGE_FAVORITES || g.page == PAGE_RECENTS ? g.page : g.entries.empty() ? 2 : 3;
    g.emptyText = kEmptyTexts[empty][0];
    g.emptyHint = kEmptyTexts[empty][1];
    bool listed = (g.page == PAGE_CONTACTS || g.page == PAGE_SEARCH) && !g.shown.empty();
    ShowWindow(g.list, listed ? SW_SHOWNA : SW_HIDE);
    InvalidateRect(g.window, NULL, TRUE);
}

static int HeaderHeight()
{
    return 30 * g.scale;
}

static void Layout()
{
    RECT client;
    GetClientRect(g.window, &client);
    int s = g.scale, header = HeaderHeight(), top = header;
    MoveWindow(g.close, client.right - header, 0, header, header, TRUE);
    if (g.page == PAGE_SEARCH) {
        MoveWindow(g.search, 10 * s, header + 9 * s, client.right - 20 * s, 16 * s, TRUE);
        top += 32 * s;
    }
    MoveWindow(g.list, 0, top, client.right, client.bottom - top, TRUE);
}

static void SetPage(Page page)
{
    g.page = page;
    SetWindowTextW(g.window, (std::wstring(kTitles[page]) + L" - Pellomar").c_str());
    LoadEntries();
    ShowWindow(g.search, page == PAGE_SEARCH ? SW_SHOWNA : SW_HIDE);
    Layout();
    Refilter();
    SetFocus(page == PAGE_SEARCH ? g.search : page == PAGE_CONTACTS ? g.list : g.window);
}

static HFONT MakeFont(int pixels, int weight)
{
    return CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Tahoma");
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
    g.close = CreateWindowExW(0, L"BUTTON", L"Close", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 0, 0, window,
                              (HMENU)ID_CLOSE, instance, NULL);
    SendMessageW(g.search, WM_SETFONT, (WPARAM)g.font, FALSE);
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

static void OnDrawItem(const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    HBRUSH brush = CreateSolidBrush(item->CtlID == ID_CLOSE ? kHeader : selected ? kSelected : kBackground);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    SetBkMode(dc, TRANSPARENT);
    if (item->CtlID == ID_CLOSE) {
        SetTextColor(dc, selected ? kText : kDim);
        SelectObject(dc, g.titleFont);
        DrawTextW(dc, L"\u00D7", 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        return;
    }
    if (item->itemID >= g.shown.size())
        return;
    const Entry &entry = g.shown[item->itemID];
    RECT rule = {r.left, r.bottom - 1, r.right, r.bottom};
    brush = CreateSolidBrush(kRule);
    FillRect(dc, &rule, brush);
    DeleteObject(brush);
    r.left += 10 * g.scale;
    r.right -= 6 * g.scale;
    SelectObject(dc, g.font);
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
        if (LOWORD(wParam) == ID_SEARCH && HIWORD(wParam) == EN_CHANGE)
            Refilter();
        else if (LOWORD(wParam) == ID_CLOSE)
            DestroyWindow(window);
        return 0;
    case WM_COPYDATA:
        return OnCopyData((const COPYDATASTRUCT *)lParam);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
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
        // Escape closes the program whichever control has the keyboard.
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
            DestroyWindow(window);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
