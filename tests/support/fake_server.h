// A scripted web server on loopback, for the callback-service tests. It
// answers each connection with the next queued reply and keeps every
// request's bytes.
#pragma once
#include <winsock2.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct FakeReply {
    enum Behaviour {
        SendAndClose,  // send the bytes, then close
        CloseAtOnce,   // read the request, close without a byte
        Silent,        // read the request, then say nothing for a long time
        StallAfterSend // send the bytes, then say nothing for a long time
    };
    Behaviour behaviour = SendAndClose;
    std::string bytes;
};

FakeReply Reply(const std::string &bytes);
FakeReply ReplyThen(FakeReply::Behaviour behaviour, const std::string &bytes = "");

class FakeServer
{
  public:
    // address is "127.0.0.1" or "::1"; the port is that of the services.
    explicit FakeServer(const char *address, unsigned short port = 80);
    ~FakeServer();
    bool Listening() const { return listener != INVALID_SOCKET; }
    void Queue(const FakeReply &reply);
    std::vector<std::string> Requests();

  private:
    void Serve();
    void Answer(SOCKET client);
    bool HoldUnlessStopped(DWORD ms);

    SOCKET listener = INVALID_SOCKET;
    std::atomic<bool> stopping{false};
    std::mutex lock;
    std::deque<FakeReply> replies;
    std::vector<std::string> requests;
    std::thread thread;
};

// True inside the tests' private network, where the services' host names
// resolve to loopback and port 80 can be taken. Tests that talk to a
// service skip themselves anywhere else, so no request can leave this host.
bool ServicesResolveToLoopback();
#define SKIP_OUTSIDE_TEST_NETWORK()                                                                                    \
    do {                                                                                                               \
        if (!ServicesResolveToLoopback())                                                                              \
            GTEST_SKIP() << "needs the private test network of 'make test'";                                           \
    } while (0)
