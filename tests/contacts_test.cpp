// The contact chooser and the new-contact card, driven as a user would:
// the dialogs open for real and the tests press their buttons.
#include <gtest/gtest.h>

#include "app/shell.h"
#include "device/contacts.h"
#include "dialing/dialing.h"
#include "platform/contact_store.h"
#include "support/test_support.h"

#define ID_LIST 101
#define ID_NAME 103
#define ID_NUMBER 104

class ContactsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        StartFreshDevice();
        DeleteFileW(ContactStorePath().c_str());
        CapturedMessageBoxes().clear();
    }
    void TearDown() override
    {
        SetDialogHandler(nullptr);
        DeleteFileW(ContactStorePath().c_str());
    }
    static void Store(const std::wstring &name, std::vector<std::wstring> numbers)
    {
        ASSERT_TRUE(AppendContact(ContactStorePath(), {name, numbers}));
    }
};

TEST_F(ContactsTest, ChooserListsEveryNumberAndReturnsThePick)
{
    Store(L"Jane Doe", {L"(555) 123-4567", L"+1 555 0100"});
    Store(L"Bob", {L"5550199"});
    int entries = -1;
    SetDialogHandler([&](HWND dialog) {
        entries = (int)SendDlgItemMessageW(dialog, ID_LIST, LB_GETCOUNT, 0, 0);
        SendDlgItemMessageW(dialog, ID_LIST, LB_SETCURSEL, 1, 0);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    WCHAR name[260] = L"untouched", number[260] = L"untouched";
    EXPECT_EQ(S_OK, ChooseContactNumber(name, number));
    EXPECT_EQ(3, entries);
    EXPECT_STREQ(L"Jane Doe", name);
    EXPECT_STREQ(L"+1 555 0100", number) << "exactly as stored, unfiltered";
    ASSERT_EQ(1u, CapturedMessageBoxes().size());
    EXPECT_EQ(L"Zembrik: Select a contact", CapturedMessageBoxes()[0].caption);
}

TEST_F(ContactsTest, ChooserOpensOnTheFirstEntryAndEnterPicksIt)
{
    Store(L"Bob", {L"5550199"});
    Store(L"Jane", {L"5550100"});
    SetDialogHandler([](HWND dialog) { PostMessageW(GetDlgItem(dialog, ID_LIST), WM_KEYDOWN, VK_RETURN, 0); });
    WCHAR name[260], number[260];
    EXPECT_EQ(S_OK, ChooseContactNumber(name, number));
    EXPECT_STREQ(L"Bob", name);
    EXPECT_STREQ(L"5550199", number);
}

TEST_F(ContactsTest, LeavingTheChooserGivesNothing)
{
    Store(L"Bob", {L"5550199"});
    SetDialogHandler([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    WCHAR name[260] = L"untouched", number[260] = L"untouched";
    EXPECT_TRUE(FAILED(ChooseContactNumber(name, number)));
    EXPECT_STREQ(L"untouched", name);
    EXPECT_STREQ(L"untouched", number);

    DeleteFileW(ContactStorePath().c_str());
    SetDialogHandler([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); });
    EXPECT_TRUE(FAILED(ChooseContactNumber(name, number))) << "an empty store has nothing to pick";
}

TEST_F(ContactsTest, NewContactCardHoldsTheDisplayedNumberAndSaves)
{
    wcscpy(app.NumberBuffer, L"5551234567");
    wcscpy(app.dialPlan, L"(NNN)_NNN-NNNN");
    FormatDisplayNumber();
    std::wstring shownNumber;
    SetDialogHandler([&](HWND dialog) {
        wchar_t text[64];
        GetDlgItemTextW(dialog, ID_NUMBER, text, 64);
        shownNumber = text;
        SetDlgItemTextW(dialog, ID_NAME, L"Zo\u00eb \u00c5str\u00f6m");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    AddContactFromNumber();
    EXPECT_EQ(L"(555) 123-4567", shownNumber);
    std::vector<StoredContact> stored = LoadContacts(ContactStorePath());
    ASSERT_EQ(1u, stored.size());
    EXPECT_EQ(L"Zo\u00eb \u00c5str\u00f6m", stored[0].name);
    ASSERT_EQ(1u, stored[0].numbers.size());
    EXPECT_EQ(L"(555) 123-4567", stored[0].numbers[0]);
}

TEST_F(ContactsTest, CancellingTheCardStoresNothing)
{
    int cards = 0;
    SetDialogHandler([&](HWND dialog) {
        cards++;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    app.DisplayNumber[0] = 0;
    AddContactFromNumber();
    EXPECT_EQ(1, cards) << "the card opens even for an empty number";
    EXPECT_TRUE(LoadContacts(ContactStorePath()).empty());
}

// A number cut to fit would call someone else: a pick too long for the
// chooser's buffer is dialled by no service, and the user is told why.
TEST_F(ContactsTest, APickTooLongToHoldIsNotDialled)
{
    Store(L"Long", {std::wstring(300, L'5')});
    SetDialogHandler([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); });
    WCHAR name[260] = L"", number[260] = L"untouched";
    EXPECT_EQ(CHOSEN_NUMBER_TOO_LONG, ChooseContactNumber(name, number));
    EXPECT_STREQ(L"", number);

    CapturedMessageBoxes().clear();
    EXPECT_EQ(0, ProcessCommandLine(L"-choosecontact"));
    EXPECT_EQ("", CallsLogWithoutTimes(CallsLogPath()));
    ASSERT_EQ(2u, CapturedMessageBoxes().size()) << "the chooser, then the message";
    EXPECT_EQ(L"Zembrik", CapturedMessageBoxes()[1].caption);
    EXPECT_EQ(L"The chosen number is too long to dial.", CapturedMessageBoxes()[1].text);

    Store(L"Fits", {std::wstring(259, L'6')});
    SetDialogHandler([](HWND dialog) {
        SendDlgItemMessageW(dialog, ID_LIST, LB_SETCURSEL, 1, 0);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(0, ProcessCommandLine(L"-choosecontact"));
    EXPECT_EQ(std::string(259, '6') + "\tFits\n", CallsLogWithoutTimes(CallsLogPath())) << "259 units still fit";
    DeleteCallsLog();
}

// Address books as phones and desktop programs export them (tests/vcards):
// what the chooser lists, line by line, and what each pick dials.
struct ExportedEntry {
    std::wstring name;
    std::wstring number;
};

const struct {
    const wchar_t *file;
    std::vector<ExportedEntry> entries;
} kExports[] = {
    {L"android-2.1.vcf",
     {
         {L"\u0418\u0432\u0430\u043d \u041f\u0435\u0442\u0440\u043e\u0432", L"+7 912 345-67-89"},
         {L"\u0418\u0432\u0430\u043d \u041f\u0435\u0442\u0440\u043e\u0432", L"8 (495) 123-45-67"},
         {L"\u0391\u03bb\u03b5\u03be\u03ac\u03bd\u03b4\u03c1\u03b1 \u03a0\u03b1\u03c0\u03b1\u03b4\u03bf\u03c0\u03bf"
          L"\u03cd\u03bb\u03bf\u03c5-\u039a\u03c9\u03bd\u03c3\u03c4\u03b1\u03bd\u03c4\u03b9\u03bd\u03af\u03b4\u03bf"
          L"\u03c5",
          L"+30 691 234 5678"},
         {L"Dr. J\u00fcrgen M\u00fcller", L"+49 170 1234567"},
         {L"Dr. J\u00fcrgen M\u00fcller", L"+49 30 1234 5678"},
         {L"Fran\u00e7ois Lef\u00e8vre", L"+33 1 23 45 67 89"},
         // A charset the reader does not know: its bytes are not guessed at.
         {L"Zo\ufffd\ufffd Li", L"555-0150"},
         {L"\U00020BB7\u7530 \u82b1\u5b50", L"090-1234-5678"},
     }},
    {L"ios-3.0.vcf",
     {
         {L"Zo\u00eb \u00c5str\u00f6m", L"+46 70 123 45 67"},
         {L"Zo\u00eb \u00c5str\u00f6m", L"+46 8 123 456"},
         {L"Acme, Inc.", L"(555) 010-0000"},
         {L"Acme, Inc.", L"1-800-555-0199"},
         {L"Se\u00e1n O'Brien", L"+353 87 123 4567"},
     }},
    {L"google-3.0.vcf",
     {
         {L"Mar\u00eda Jos\u00e9 Garc\u00eda", L"+34 612 34 56 78"},
         {L"Mar\u00eda Jos\u00e9 Garc\u00eda", L"91 123 45 67"},
         {L"Mar\u00eda Jos\u00e9 Garc\u00eda", L"555;0001"},
         {L"\u0639\u0628\u062f \u0627\u0644\u0631\u062d\u0645\u0646 \u0628\u0646 \u0645\u062d\u0645\u062f \u0627\u0644"
          L"\u0641\u0644\u0627\u0646\u064a",
          L"+966 50 123 4567"},
         {L"Dr. Jane Q. Doe PhD", L"+1 415-555-0100"},
     }},
    {L"vcard-4.0.vcf",
     {
         {L"Simon Perreault", L"+14186569254p102"},
         {L"Simon Perreault", L"+14182626501"},
         {L"\u5c71\u7530 \u592a\u90ce", L"+819012345678"},
         {L"\u5c71\u7530 \u592a\u90ce", L"+15555550199"},
         {L"\u5c71\u7530 \u592a\u90ce", L"+81 3 1234 5678"},
         {L"Dupont, Jean\\Pierre", L"+15550100p42"},
         {L"Dupont, Jean\\Pierre", L"+15550111"},
     }},
};

TEST_F(ContactsTest, ExportedAddressBooksListDecodedNamesAndDialPlainNumbers)
{
    for (const auto &exported : kExports) {
        SCOPED_TRACE(Narrow(exported.file));
        std::wstring source = ExecutableFolder() + L"vcards\\" + exported.file;
        ASSERT_TRUE(CopyFileW(source.c_str(), ContactStorePath().c_str(), FALSE));
        for (size_t pick = 0; pick < exported.entries.size(); pick++) {
            std::vector<std::wstring> shown;
            SetDialogHandler([&](HWND dialog) {
                HWND list = GetDlgItem(dialog, ID_LIST);
                int count = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
                for (int i = 0; i < count; i++) {
                    std::wstring line(SendMessageW(list, LB_GETTEXTLEN, i, 0) + 1, L'\0');
                    SendMessageW(list, LB_GETTEXT, i, (LPARAM)&line[0]);
                    line.resize(line.size() - 1);
                    shown.push_back(line);
                }
                SendMessageW(list, LB_SETCURSEL, pick, 0);
                PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            });
            WCHAR name[260] = L"", number[260] = L"";
            ASSERT_EQ(S_OK, ChooseContactNumber(name, number));
            if (pick == 0) {
                std::vector<std::wstring> expected;
                for (const ExportedEntry &entry : exported.entries)
                    expected.push_back(entry.name + L"  " + entry.number);
                EXPECT_EQ(expected, shown);
            }
            EXPECT_EQ(exported.entries[pick].name, name);
            EXPECT_EQ(exported.entries[pick].number, number);
            DeleteCallsLog();
            ASSERT_EQ(S_OK, DialNumber(number, name));
            EXPECT_EQ(Narrow(exported.entries[pick].number) + "\t" + Narrow(exported.entries[pick].name) + "\n",
                      CallsLogWithoutTimes(CallsLogPath()));
        }
    }
}
