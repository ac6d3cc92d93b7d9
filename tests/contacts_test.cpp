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
    EXPECT_EQ("", ReadFileBytes(CallsLogPath()));
    ASSERT_EQ(2u, CapturedMessageBoxes().size()) << "the chooser, then the message";
    EXPECT_EQ(L"Zembrik", CapturedMessageBoxes()[1].caption);
    EXPECT_EQ(L"The chosen number is too long to dial.", CapturedMessageBoxes()[1].text);

    Store(L"Fits", {std::wstring(259, L'6')});
    SetDialogHandler([](HWND dialog) {
        SendDlgItemMessageW(dialog, ID_LIST, LB_SETCURSEL, 1, 0);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(0, ProcessCommandLine(L"-choosecontact"));
    EXPECT_EQ(std::string(259, '6') + "\tFits\n", ReadFileBytes(CallsLogPath())) << "259 units still fit";
    DeleteCallsLog();
}
