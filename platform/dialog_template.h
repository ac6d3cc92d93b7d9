// In-memory dialog templates for the stand-in dialogs of the contact store.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class DialogTemplate
{
  public:
    // Size in dialog units; the font is the phone's, Tahoma 8.
    DialogTemplate(const std::wstring &title, short width, short height);
    void AddControl(const wchar_t *windowClass, const std::wstring &text, WORD id, DWORD style, short x, short y,
                    short width, short height);
    const DLGTEMPLATE *Get();

  private:
    void Align();
    void AddText(const std::wstring &text);
    std::vector<WORD> words;
    WORD count = 0;
};
