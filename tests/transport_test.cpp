// One HTTP exchange over real sockets to scripted servers on loopback.
#include <connmgr_emulation.h>
#include <gtest/gtest.h>

#include <string>

#include "dialing/dialing.h"
#include "support/fake_server.h"
#include "support/test_support.h"

#define REPLY_UNITS 2048

class TransportTest : public ::testing::Test
{
  protected:
    WCHAR reply[REPLY_UNITS];

    void SetUp() override
    {
        StartFreshDevice();
        CapturedMessageBoxes().clear();
        wcscpy(reply, L"untouched");
        wcscpy(app.lastErrorText, L"earlier");
    }
    void TearDown() override
    {
        EXPECT_EQ(0u, ConnMgrEmulationOpenConnections()) << "the connection was not released";
        DeleteDeviceEmulationKey();
    }
    HRESULT Exchange(const wchar_t *host, const std::wstring &request)
    {
        return HttpExchange(host, request.c_str(), reply, REPLY_UNITS);
    }
};

TEST_F(TransportTest, SendsTheRequestAsItIsAndReturnsTheWholeReply)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    FakeServer server("127.0.0.1");
    ASSERT_TRUE(server.Listening());
    server.Queue(Reply("HTTP/1.0 200 OK\r\n\r\nhello"));
    EXPECT_EQ(S_OK, Exchange(L"www.grandcentral.com", L"GET / HTTP/1.0\r\n\r\n"));
    EXPECT_STREQ(L"HTTP/1.0 200 OK\r\n\r\nhello", reply);
    ASSERT_EQ(1u, server.Requests().size());
    EXPECT_EQ("GET / HTTP/1.0\r\n\r\n", server.Requests()[0]);
    EXPECT_TRUE(CapturedMessageBoxes().empty());
}

TEST_F(TransportTest, OnlyTheFirst1024BytesOfALongReplyAreRead)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    FakeServer server("127.0.0.1");
    std::string longReply(1000, 'a');
    longReply += std::string(600, 'b');
    server.Queue(Reply(longReply));
    EXPECT_EQ(S_OK, Exchange(L"www.grandcentral.com", L"GET / HTTP/1.0\r\n\r\n"));
    EXPECT_EQ(std::wstring(1000, L'a') + std::wstring(24, L'b'), reply);
}

TEST_F(TransportTest, AServerThatClosesAtOnceGivesAnEmptyReply)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    FakeServer server("127.0.0.1");
    server.Queue(ReplyThen(FakeReply::CloseAtOnce));
    EXPECT_EQ(S_OK, Exchange(L"api.phone.com", L"GET / HTTP/1.0\r\n\r\n"));
    EXPECT_STREQ(L"", reply);
}

TEST_F(TransportTest, ASilentServerTimesOutAfterFiveSeconds)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    FakeServer server("127.0.0.1");
    server.Queue(ReplyThen(FakeReply::Silent));
    EXPECT_EQ(E_FAIL, Exchange(L"api.phone.com", L"GET / HTTP/1.0\r\n\r\n"));
    EXPECT_STREQ(L"ERROR: Server hasn't responded in 5000 milliseconds", app.lastErrorText);
    EXPECT_STREQ(L"untouched", reply);
}

TEST_F(TransportTest, AReplyOnAConnectionLeftOpenEndsAfterFiveQuietSeconds)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    FakeServer server("127.0.0.1");
    server.Queue(ReplyThen(FakeReply::StallAfterSend, "HTTP/1.0 200 OK\r\n"));
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(S_OK, Exchange(L"api.phone.com", L"GET / HTTP/1.0\r\n\r\n"));
    EXPECT_LT(GetTickCount64() - start, 10000u) << "the quiet limit is 5 s";
    EXPECT_STREQ(L"HTTP/1.0 200 OK\r\n", reply) << "the bytes received are the reply";
    EXPECT_STREQ(L"earlier", app.lastErrorText);
}

TEST_F(TransportTest, AnAddressThatRefusesIsPassedForTheNext)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    // The name resolves to ::1 first, where nothing listens, then 127.0.0.1.
    FakeServer server("127.0.0.1");
    server.Queue(Reply("second"));
    EXPECT_EQ(S_OK, Exchange(L"dualstack.zembrik.test", L"GET / HTTP/1.0\r\n\r\n"));
    EXPECT_STREQ(L"second", reply);
}

TEST_F(TransportTest, AnIpv6OnlyHostIsReached)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    FakeServer server("::1");
    ASSERT_TRUE(server.Listening());
    server.Queue(Reply("six"));
    EXPECT_EQ(S_OK, Exchange(L"ipv6only.zembrik.test", L"GET / HTTP/1.0\r\n\r\n"));
    EXPECT_STREQ(L"six", reply);
}

TEST_F(TransportTest, NoListenerAndNoNameAreReportedApart)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    EXPECT_EQ(E_FAIL, Exchange(L"nolistener.zembrik.test", L"GET / HTTP/1.0\r\n\r\n"));
    EXPECT_STREQ(L"ERROR: Unable to connect socket!", app.lastErrorText);
    EXPECT_EQ(E_FAIL, Exchange(L"unknown.zembrik.test", L"GET / HTTP/1.0\r\n\r\n"));
    EXPECT_STREQ(L"ERROR: Couldn't resolve the server name/address!", app.lastErrorText);
    EXPECT_STREQ(L"untouched", reply);
}

TEST_F(TransportTest, WithoutAnInternetConnectionNoSocketIsOpened)
{
    // No server is needed: nothing may be sent at all.
    SetEmulationDWORD(L"InternetConnection", 0);
    EXPECT_EQ(E_FAIL, Exchange(L"www.grandcentral.com", L"GET / HTTP/1.0\r\n\r\n"));
    EXPECT_STREQ(L"ERROR: Could not establish Internet Connection!", app.lastErrorText);
    ASSERT_EQ(1u, CapturedMessageBoxes().size());
    EXPECT_EQ(L"unable to connect: 0x21", CapturedMessageBoxes()[0].text);
    EXPECT_EQ(L"Error", CapturedMessageBoxes()[0].caption) << "the system's own caption";
    EXPECT_STREQ(L"untouched", reply);
}

TEST_F(TransportTest, ARequestOf1023CharactersIsSentWhole)
{
    SKIP_OUTSIDE_TEST_NETWORK();
    FakeServer server("127.0.0.1");
    server.Queue(Reply("ok"));
    std::wstring request = L"GET /" + std::wstring(1014, L'x') + L"\r\n\r\n";
    ASSERT_EQ(1023u, request.size());
    EXPECT_EQ(S_OK, Exchange(L"mobile.jajah.com", request));
    ASSERT_EQ(1u, server.Requests().size());
    EXPECT_EQ(1023u, server.Requests()[0].size());
}

// One unit more than the transport can send: refused whole, before the
// Internet connection is asked for (which here would fail with a message
// box of its own), rather than sent cut to 1023 bytes.
TEST_F(TransportTest, ARequestOf1024CharactersIsRefusedNotCut)
{
    SetEmulationDWORD(L"InternetConnection", 0);
    std::wstring request = L"GET /" + std::wstring(1015, L'x') + L"\r\n\r\n";
    ASSERT_EQ(1024u, request.size());
    EXPECT_EQ(E_FAIL, Exchange(L"mobile.jajah.com", request));
    EXPECT_STREQ(L"ERROR: Request too long to send", app.lastErrorText);
    EXPECT_TRUE(CapturedMessageBoxes().empty()) << "no connection was asked for";
    EXPECT_STREQ(L"untouched", reply);
}

TEST_F(TransportTest, OneBytePerCharacterBothWays)
{
    char bytes[16];
    EXPECT_EQ(5u, ToServiceBytes(bytes, 16, L"a\u00e9\u0100\U0001F600"));
    EXPECT_EQ(std::string("a\xe9???"), std::string(bytes, 5));
    EXPECT_EQ(4u, ToServiceBytes(bytes, 16, L"\u20ac\u00e9\U0001F600"));
    EXPECT_EQ(std::string("\x80\xe9??"), std::string(bytes, 4)) << "a surrogate pair gives two bytes";
    WCHAR text[8];
    FromServiceBytes(text, 8, "\xe9\x80\x81z", 4);
    EXPECT_STREQ(L"\u00e9\u20ac\u0081z", text);
    FromServiceBytes(text, 3, "abcdef", 6);
    EXPECT_STREQ(L"ab", text);
}
