#include "fake_server.h"

#include <ws2tcpip.h>

#define HOLD_MS 40000
#define RESET_PAUSE_MS 500

FakeReply Reply(const std::string &bytes)
{
    return ReplyThen(FakeReply::SendAndClose, bytes);
}

FakeReply ReplyThen(FakeReply::Behaviour behaviour, const std::string &bytes)
{
    FakeReply reply;
    reply.behaviour = behaviour;
    reply.bytes = bytes;
    return reply;
}

FakeReply TrickleReply(const std::string &bytes, size_t bytesPerStep, DWORD stepMs)
{
    FakeReply reply = ReplyThen(FakeReply::Trickle, bytes);
    reply.trickleBytes = bytesPerStep;
    reply.trickleMs = stepMs;
    return reply;
}

static int LoopbackAddress(const char *address, unsigned short port, sockaddr_storage *out)
{
    sockaddr_storage local = {};
    int length = 0;
    if (strchr(address, ':')) {
        sockaddr_in6 *v6 = (sockaddr_in6 *)&local;
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        inet_pton(AF_INET6, address, &v6->sin6_addr);
        length = sizeof(*v6);
    } else {
        sockaddr_in *v4 = (sockaddr_in *)&local;
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        inet_pton(AF_INET, address, &v4->sin_addr);
        length = sizeof(*v4);
    }
    *out = local;
    return length;
}

FakeServer::FakeServer(const char *address, unsigned short port)
{
    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 2), &winsock);
    sockaddr_storage local;
    int length = LoopbackAddress(address, port, &local);
    listener = socket(local.ss_family, SOCK_STREAM, IPPROTO_TCP);
    BOOL reuse = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, (const char *)&reuse, sizeof(reuse));
    if (bind(listener, (sockaddr *)&local, length) != 0 || listen(listener, 8) != 0) {
        closesocket(listener);
        listener = INVALID_SOCKET;
        return;
    }
    thread = std::thread(&FakeServer::Serve, this);
}

FakeServer::~FakeServer()
{
    stopping = true;
    if (thread.joinable())
        thread.join();
    if (listener != INVALID_SOCKET)
        closesocket(listener);
    WSACleanup();
}

void FakeServer::Queue(const FakeReply &reply)
{
    std::lock_guard<std::mutex> hold(lock);
    replies.push_back(reply);
}

std::vector<std::string> FakeServer::Requests()
{
    std::lock_guard<std::mutex> hold(lock);
    return requests;
}

static bool Readable(SOCKET s, DWORD ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval timeout = {(long)(ms / 1000), (long)(ms % 1000) * 1000};
    return select(0, &set, NULL, NULL, &timeout) == 1;
}

// A request is whole at the end of its headers, or for a form post once
// the body and the CRLF that follows it have arrived.
static bool RequestComplete(const std::string &request)
{
    size_t headersEnd = request.find("\r\n\r\n");
    if (headersEnd == std::string::npos)
        return false;
    size_t field = request.find("Content-Length: ");
    if (field == std::string::npos || field > headersEnd)
        return true;
    size_t bodyLength = strtoul(request.c_str() + field + 16, NULL, 10);
    return request.size() >= headersEnd + 4 + bodyLength + 2;
}

bool FakeServer::HoldWhileClientStays(SOCKET client, DWORD ms)
{
    DWORD start = GetTickCount();
    while (!stopping && GetTickCount() - start < ms) {
        if (!Readable(client, 50))
            continue;
        char discard[512];
        if (recv(client, discard, sizeof(discard), 0) <= 0)
            return false;
    }
    return !stopping;
}

void FakeServer::Respond(SOCKET client, const FakeReply &reply)
{
    switch (reply.behaviour) {
    case FakeReply::CloseAtOnce:
        break;
    case FakeReply::Silent:
        HoldWhileClientStays(client, HOLD_MS);
        break;
    case FakeReply::Trickle:
        for (size_t sent = 0; sent < reply.bytes.size(); sent += reply.trickleBytes) {
            std::string step = reply.bytes.substr(sent, reply.trickleBytes);
            if (send(client, step.data(), (int)step.size(), 0) != (int)step.size() ||
                !HoldWhileClientStays(client, reply.trickleMs))
                break;
        }
        break;
    case FakeReply::ResetAfterSend: {
        send(client, reply.bytes.data(), (int)reply.bytes.size(), 0);
        Sleep(RESET_PAUSE_MS);
        linger abort = {1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, (const char *)&abort, sizeof(abort));
        break;
    }
    default:
        send(client, reply.bytes.data(), (int)reply.bytes.size(), 0);
        if (reply.behaviour == FakeReply::StallAfterSend)
            HoldWhileClientStays(client, HOLD_MS);
        break;
    }
}

void FakeServer::Answer(SOCKET client)
{
    std::string request;
    char chunk[2048];
    while (!RequestComplete(request) && Readable(client, 2000)) {
        int got = recv(client, chunk, sizeof(chunk), 0);
        if (got <= 0)
            break;
        request.append(chunk, got);
    }
    FakeReply reply;
    {
        std::lock_guard<std::mutex> hold(lock);
        requests.push_back(request);
        if (!replies.empty()) {
            reply = replies.front();
            replies.pop_front();
        }
    }
    Respond(client, reply);
    closesocket(client);
}

void FakeServer::Serve()
{
    while (!stopping) {
        if (!Readable(listener, 50))
            continue;
        SOCKET client = accept(listener, NULL, NULL);
        if (client != INVALID_SOCKET)
            Answer(client);
    }
}

#define MAX_FILLERS 16
#define FILLER_WAIT_MS 300

UnacceptingServer::UnacceptingServer(const char *address)
{
    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 2), &winsock);
    sockaddr_storage local;
    int length = LoopbackAddress(address, 80, &local);
    listener = socket(local.ss_family, SOCK_STREAM, IPPROTO_TCP);
    BOOL reuse = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, (const char *)&reuse, sizeof(reuse));
    if (bind(listener, (sockaddr *)&local, length) != 0 || listen(listener, 1) != 0)
        return;
    // Connect until one connect stays unanswered: from then on the queue
    // takes no one, as long as nothing is accepted.
    while (!queueFull && fillers.size() < MAX_FILLERS) {
        SOCKET filler = socket(local.ss_family, SOCK_STREAM, IPPROTO_TCP);
        u_long nonBlocking = 1;
        ioctlsocket(filler, FIONBIO, &nonBlocking);
        connect(filler, (sockaddr *)&local, length);
        fillers.push_back(filler);
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(filler, &writable);
        timeval timeout = {0, FILLER_WAIT_MS * 1000};
        queueFull = select(0, NULL, &writable, NULL, &timeout) == 0;
    }
}

UnacceptingServer::~UnacceptingServer()
{
    for (SOCKET filler : fillers)
        closesocket(filler);
    if (listener != INVALID_SOCKET)
        closesocket(listener);
    WSACleanup();
}

bool ServicesResolveToLoopback()
{
    // Outside the test run's namespace, not even a name lookup may leave.
    char marker[8];
    if (!GetEnvironmentVariableA("ZEMBRIK_TEST_NETWORK", marker, sizeof(marker)))
        return false;
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0)
        return false;
    bool loopback = true;
    for (const char *host : {"www.grandcentral.com", "mobile.jajah.com", "api.phone.com"}) {
        ADDRINFOA hints = {};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        ADDRINFOA *addresses = NULL;
        if (getaddrinfo(host, "80", &hints, &addresses) != 0) {
            loopback = false;
            continue;
        }
        for (ADDRINFOA *entry = addresses; entry; entry = entry->ai_next) {
            if (entry->ai_family != AF_INET ||
                ((sockaddr_in *)entry->ai_addr)->sin_addr.s_addr != htonl(INADDR_LOOPBACK))
                loopback = false;
        }
        freeaddrinfo(addresses);
    }
    WSACleanup();
    return loopback;
}
