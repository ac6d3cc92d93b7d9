#include "platform/dialog_template.h"

void DialogTemplate::Align()
{
    // Every control entry starts on a DWORD boundary.
    if (words.size() % 2)
        words.push_back(0);
}

void DialogTemplate::AddText(const std::wstring &text)
{
    words.insert(words.end(), text.begin(), text.end());
    words.push_back(0);
}

DialogTemplate::DialogTemplate(const std::wstring &title, short width, short height)
{
    DWORD style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    words = {LOWORD(style), HIWORD(style), 0, 0, 0, 0, 0, (WORD)width, (WORD)height, 0, 0};
    AddText(title);
    words.push_back(8);
    AddText(L"Tahoma");
}

void DialogTemplate::AddControl(const wchar_t *windowClass, const std::wstring &text, WORD id, DWORD style, short x,
                                short y, short width, short height)
{
    Align();
    style |= WS_CHILD | WS_VISIBLE;
    WORD entry[] = {LOWORD(style), HIWORD(style), 0, 0, (WORD)x, (WORD)y, (WORD)width, (WORD)height, id};
    words.insert(words.end(), entry, entry + 9);
    AddText(windowClass);
    AddText(text);
    words.push_back(0);
    count++;
    words[4] = count;
}

const DLGTEMPLATE *DialogTemplate::Get()
{
    return (const DLGTEMPLATE *)words.data();
}
