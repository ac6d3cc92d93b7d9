// The phone's contact store on the desktop: the contact chooser, and the
// object model's application object, whose new contacts open an edit card
// and, when saved, are appended to contacts.vcf beside the executable.
// The application class is registered for in-process creation when the
// program starts, on a thread of the multithreaded apartment that stays for
// the life of the process.
#include <pimstore.h>

#include "platform/contact_store.h"
#include "platform/dialog_template.h"

#define ID_NAME 103
#define ID_NUMBER 104

namespace
{

// Why a save failed, in the store's own words: the card stays open with
// what the user typed, and says this once.
const struct {
    DWORD error;
    const WCHAR *text;
} saveFailures[] = {
    {ERROR_SHARING_VIOLATION, L"another program is using the contacts file. Close it, then save again."},
    {ERROR_LOCK_VIOLATION, L"another program is using the contacts file. Close it, then save again."},
    {ERROR_ACCESS_DENIED, L"the contacts file or its folder is read-only."},
    {ERROR_WRITE_PROTECT, L"the contacts file is on a write-protected disk."},
    {ERROR_TIMEOUT, L"another save to the contacts file did not end. Save again in a moment."},
    {ERROR_FILE_TOO_LARGE, L"the contacts file is full. Delete contacts you no longer need, then save again."},
    {ERROR_DISK_FULL, L"the disk is full."},
    {ERROR_HANDLE_DISK_FULL, L"the disk is full."},
    {ERROR_PATH_NOT_FOUND, L"the device has no folder for its contacts."},
    {ERROR_INVALID_DATA, L"the contacts file is damaged at its end (a card left open, or half a character)."},
};

std::wstring SaveFailureText(DWORD error)
{
    std::wstring text = L"The contact was not saved: ";
    for (const auto &failure : saveFailures) {
        if (failure.error == error)
            return text + failure.text;
    }
    WCHAR system[256] = L"";
    if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, system,
                        ARRAYSIZE(system), NULL))
        wsprintfW(system, L"error %lu.", error);
    return text + system;
}

// Appends the card to the store; 0, or the system's error code.
DWORD SaveContact(const std::wstring &name, const std::wstring &number)
{
    StoredContact contact;
    contact.name = name;
    if (!number.empty())
        contact.numbers.push_back(number);
    std::wstring path = ContactStorePath();
    if (path.empty())
        return ERROR_PATH_NOT_FOUND;
    if (AppendContact(path, contact))
        return 0;
    DWORD error = GetLastError();
    return error ? error : ERROR_WRITE_FAULT;
}

// The edit card of a new contact.
struct CardState {
    std::wstring name;
    std::wstring number;
};

std::wstring DialogItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    std::wstring text(GetWindowTextLengthW(item) + 1, L'\0');
    GetWindowTextW(item, &text[0], (int)text.size());
    text.resize(wcslen(text.c_str()));
    return text;
}

// OK and Cancel end a dialog with their own result; TRUE when one did.
INT_PTR EndOnButton(HWND dialog, WPARAM wParam)
{
    if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL)
        return FALSE;
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
}

// Save writes the card before the card closes: a card the user saw close
// is in the store, and one that could not be written stays open.
INT_PTR CALLBACK CardProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    CardState *card = (CardState *)GetWindowLongPtrW(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        card = (CardState *)lParam;
        SetWindowLongPtrW(dialog, DWLP_USER, (LONG_PTR)card);
        SetDlgItemTextW(dialog, ID_NAME, card->name.c_str());
        SetDlgItemTextW(dialog, ID_NUMBER, card->number.c_str());
        SetFocus(GetDlgItem(dialog, ID_NAME));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            card->name = DialogItemText(dialog, ID_NAME);
            card->number = DialogItemText(dialog, ID_NUMBER);
            DWORD error = SaveContact(card->name, card->number);
            if (error) {
                MessageBoxW(dialog, SaveFailureText(error).c_str(), L"Contacts", MB_OK | MB_ICONEXCLAMATION);
                return TRUE;
            }
        }
        return EndOnButton(dialog, wParam);
    }
    return FALSE;
}

// The objects answer IDispatch's type questions with E_NOTIMPL; a contact
// takes its text properties by name.
template <typename Interface> class Dispatch : public Interface
{
  public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *) override
    {
        return E_NOTIMPL;
    }
};

#define DISPID_FILE_AS 1
#define DISPID_MOBILE_TELEPHONE_NUMBER 2

// A new contact: its text properties are set by name through IDispatch.
class Contact final : public Dispatch<IDispatch>, public IItem
{
    LONG references = 1;
    std::wstring fileAs;
    std::wstring mobile;

  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch)
            *object = static_cast<IDispatch *>(this);
        else if (iid == IID_IItem)
            *object = static_cast<IItem *>(this);
        else {
            *object = NULL;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&references);
        if (left == 0)
            delete this;
        return left;
    }
    // The properties' names and their DISPIDs (any distinct values do).
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID, DISPID *ids) override
    {
        if (!names || !ids || count != 1 || !names[0])
            return E_INVALIDARG;
        if (lstrcmpiW(names[0], L"FileAs") == 0)
            ids[0] = DISPID_FILE_AS;
        else if (lstrcmpiW(names[0], L"MobileTelephoneNumber") == 0)
            ids[0] = DISPID_MOBILE_TELEPHONE_NUMBER;
        else {
            ids[0] = DISPID_UNKNOWN;
            return DISP_E_UNKNOWNNAME;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS *parameters, VARIANT *,
                                     EXCEPINFO *, UINT *) override
    {
        if (id != DISPID_FILE_AS && id != DISPID_MOBILE_TELEPHONE_NUMBER)
            return DISP_E_MEMBERNOTFOUND;
        if (!(flags & DISPATCH_PROPERTYPUT) || !parameters || parameters->cArgs != 1 || !parameters->rgvarg)
            return DISP_E_BADPARAMCOUNT;
        if (parameters->rgvarg[0].vt != VT_BSTR)
            return DISP_E_TYPEMISMATCH;
        return Store(parameters->rgvarg[0].bstrVal, id == DISPID_FILE_AS ? &fileAs : &mobile);
    }
    HRESULT STDMETHODCALLTYPE GetProps(const CEPROPID *, ULONG, WORD, _CEPROPVAL **, ULONG *, HANDLE) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetProps(ULONG, WORD, _CEPROPVAL *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Delete() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Display(HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save() override
    {
        DWORD error = SaveContact(fileAs, mobile);
        return error ? HRESULT_FROM_WIN32(error) : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Edit(HWND parent) override
    {
        CardState card = {fileAs, mobile};
        DialogTemplate form(L"New contact", 120, 92);
        form.AddControl(L"STATIC", L"Name:", 0xFFFF, SS_LEFT, 6, 6, 108, 9);
        form.AddControl(L"EDIT", L"", ID_NAME, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 6, 16, 108, 13);
        form.AddControl(L"STATIC", L"Mobile:", 0xFFFF, SS_LEFT, 6, 34, 108, 9);
        form.AddControl(L"EDIT", L"", ID_NUMBER, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 6, 44, 108, 13);
        form.AddControl(L"BUTTON", L"Save", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 6, 70, 52, 15);
        form.AddControl(L"BUTTON", L"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 62, 70, 52, 15);
        if (DialogBoxIndirectParamW(GetModuleHandleW(NULL), form.Get(), parent, CardProc, (LPARAM)&card) != IDOK)
            return S_FALSE;
        fileAs = card.name;
        mobile = card.number;
        return S_OK;
    }

  private:
    static HRESULT Store(BSTR text, std::wstring *value)
    {
        *value = text ? text : L"";
        return S_OK;
    }
};

class Application final : public Dispatch<IPOutlookApp2>
{
    LONG references = 1;
    bool loggedOn = false;

  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IPOutlookApp || iid == IID_IPOutlookApp2) {
            *object = static_cast<IPOutlookApp2 *>(this);
            AddRef();
            return S_OK;
        }
        *object = NULL;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&references);
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Logon(long) override
    {
        loggedOn = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Logoff() override
    {
        loggedOn = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Version(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDefaultFolder(int, IFolder **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateItem(int kind, IDispatch **item) override
    {
        if (!item)
            return E_POINTER;
        *item = NULL;
        if (!loggedOn)
            return E_FAIL;
        if (kind != olContactItem)
            return E_INVALIDARG;
        *item = static_cast<IDispatch *>(new Contact);
        return S_OK;
    }
};

class ApplicationFactory : public IClassFactory
{
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = this;
            return S_OK;
        }
        *object = NULL;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **object) override
    {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Application *application = new Application;
        HRESULT result = application->QueryInterface(iid, object);
        application->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

ApplicationFactory applicationFactory;

// The device's contact store is there from the moment the device is on.
// Here it is registered by a thread that starts with the process; nothing
// waits for it, as loading COM would cost every start about 25 ms under
// Wine. The registration is done well within the first paint, before the
// user can ask for a contact card.
DWORD WINAPI ServeContactStore(void *)
{
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    DWORD cookie;
    CoRegisterClassObject(CLSID_Application, &applicationFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    // Holding the apartment keeps the registration for the process's life.
    Sleep(INFINITE);
    return 0;
}

bool RegisterContactStore()
{
    HANDLE thread = CreateThread(NULL, 0, ServeContactStore, NULL, 0, NULL);
    if (thread)
        CloseHandle(thread);
    return thread != NULL;
}

} // namespace

// A static library's member that nothing names is left out of the link,
// and a program that never shows the chooser names nothing here: the
// program's build names this (CMakeLists.txt) so that the registration is
// always part of it.
extern "C" {
bool contactStoreRegistered = RegisterContactStore();
}

// The contact chooser lists the emulated contact store (contacts.vcf), one
// line per contact and number.
#define ID_LIST 101
#define ID_PROMPT 102
// Posted by the chooser to itself, so that its word on a file it could not
// read whole comes over the list, once the list is on screen.
#define WM_TELL_CUT (WM_APP + 1)

namespace
{

struct ChooserState {
    std::vector<StoredContact> contacts;
    std::vector<std::pair<size_t, size_t>> entries;
    bool cut = false;
    int chosen = -1;
};

// Said once in a process: a user who has read it once knows.
LONG cutTold;

void TellCut(HWND dialog, size_t listed)
{
    if (InterlockedExchange(&cutTold, 1))
        return;
    WCHAR text[256];
    wsprintfW(text,
              L"The contacts file holds more than the store reads: only its first %lu contacts are listed, and "
              L"the rest of the file was not read.",
              (unsigned long)listed);
    MessageBoxW(dialog, text, L"Contacts", MB_OK | MB_ICONINFORMATION);
}

INT_PTR CALLBACK ChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ChooserState *state = (ChooserState *)GetWindowLongPtrW(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG: {
        state = (ChooserState *)lParam;
        SetWindowLongPtrW(dialog, DWLP_USER, (LONG_PTR)state);
        HWND list = GetDlgItem(dialog, ID_LIST);
        for (size_t c = 0; c < state->contacts.size(); c++) {
            for (size_t n = 0; n < state->contacts[c].numbers.size(); n++) {
                std::wstring line = state->contacts[c].name + L"  " + state->contacts[c].numbers[n];
                SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)line.c_str());
                state->entries.push_back({c, n});
            }
        }
        SendMessageW(list, LB_SETCURSEL, 0, 0);
        SetFocus(list);
        if (state->cut)
            PostMessageW(dialog, WM_TELL_CUT, 0, 0);
        return FALSE;
    }
    case WM_TELL_CUT:
        TellCut(dialog, state->contacts.size());
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == ID_LIST && HIWORD(wParam) == LBN_DBLCLK)
            wParam = IDOK;
        if (LOWORD(wParam) == IDOK)
            state->chosen = (int)SendDlgItemMessageW(dialog, ID_LIST, LB_GETCURSEL, 0, 0);
        return EndOnButton(dialog, wParam);
    }
    return FALSE;
}

} // namespace

HRESULT WINAPI ChooseContact(LPCHOOSECONTACT lpcc)
{
    if (!lpcc || lpcc->cbSize < sizeof(CHOOSECONTACT))
        return E_INVALIDARG;
    ChooserState state;
    state.contacts = LoadContacts(ContactStorePath(), &state.cut);
    DialogTemplate form(lpcc->lpstrTitle ? lpcc->lpstrTitle : L"Contacts", 120, 140);
    form.AddControl(L"STATIC", lpcc->lpstrChoosePropertyText ? lpcc->lpstrChoosePropertyText : L"", ID_PROMPT, SS_LEFT,
                    4, 4, 112, 18);
    form.AddControl(L"LISTBOX", L"", ID_LIST, WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, 4, 24, 112, 92);
    form.AddControl(L"BUTTON", L"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 4, 120, 54, 15);
    form.AddControl(L"BUTTON", L"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 62, 120, 54, 15);
    INT_PTR choice =
        DialogBoxIndirectParamW(GetModuleHandleW(NULL), form.Get(), lpcc->hwndOwner, ChooserProc, (LPARAM)&state);
    if (choice != IDOK || state.chosen < 0 || (size_t)state.chosen >= state.entries.size())
        return HRESULT_FROM_WIN32(ERROR_CANCELLED);
    const StoredContact &contact = state.contacts[state.entries[state.chosen].first];
    lpcc->oidContactID = (CEOID)(state.entries[state.chosen].first + 1);
    lpcc->bstrContactName = SysAllocString(contact.name.c_str());
    lpcc->propidSelected = lpcc->cRequiredProperties ? lpcc->rgpropidRequiredProperties[0] : 0;
    lpcc->bstrPropertyValueSelected = SysAllocString(contact.numbers[state.entries[state.chosen].second].c_str());
    return S_OK;
}
