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
    // "For a long time" is until the client closes, the server is
    // destroyed, or HOLD_MS have passed.
    enum Behaviour {
        SendAndClose,   // send the bytes, then close
        CloseAtOnce,    // read the request, close without a byte
        Silent,         // read the request, then say nothing for a long time
        StallAfterSend, // send the bytes, then say nothing for a long time
        Trickle,        // send trickleBytes of the bytes every trickleMs, then close
        ResetAfterSend  // send the bytes, pause a little, then reset the connection
    };
    Behaviour behaviour = SendAndClose;
    std::string bytes;
    size_t trickleBytes = 4;
    DWORD trickleMs = 3000;
};

FakeReply Reply(const std::string &bytes);
FakeReply ReplyThen(FakeReply::Behaviour behaviour, const std::string &bytes = "");
FakeReply TrickleReply(const std::string &bytes, size_t bytesPerStep, DWORD stepMs);

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
    void Respond(SOCKET client, const FakeReply &reply);
    // False once the client has closed or the server is stopping.
    bool HoldWhileClientStays(SOCKET client, DWORD ms);

    SOCKET listener = INVALID_SOCKET;
    std::atomic<bool> stopping{false};
    std::mutex lock;
    std::deque<FakeReply> replies;
    std::vector<std::string> requests;
    std::thread thread;
};

// A listener on port 80 that never accepts: its accept queue (backlog 1) is
// filled by connections of its own, so that a further connect is left
// waiting for an answer that never comes.
class UnacceptingServer
{
  public:
    explicit UnacceptingServer(const char *address);
    ~UnacceptingServer();
    // True when the queue is full: the last filling connect went unanswered.
    bool QueueFull() const { return queueFull; }

  private:
    SOCKET listener = INVALID_SOCKET;
    std::vector<SOCKET> fillers;
    bool queueFull = false;
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
