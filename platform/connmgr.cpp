// The Connection Manager on the desktop, whose network is always there:
// every request connects, unless the device emulation's REG_DWORD
// "InternetConnection" is 0, when requests fail as on a phone without
// coverage. A failed request still hands out a handle that must be released.
#include <connmgr_emulation.h>

#include <mutex>
#include <set>

#include "platform/emulation.h"

namespace
{

struct Connection {
    DWORD status;
};

std::mutex connectionsLock;
std::set<Connection *> connections;

Connection *FindConnection(HANDLE handle)
{
    Connection *connection = (Connection *)handle;
    return connections.count(connection) ? connection : NULL;
}

} // namespace

DWORD ConnMgrEmulationOpenConnections(void)
{
    std::lock_guard<std::mutex> hold(connectionsLock);
    return (DWORD)connections.size();
}

HRESULT WINAPI ConnMgrConnectionStatus(HANDLE hConnection, DWORD *pdwStatus)
{
    if (!pdwStatus)
        return E_INVALIDARG;
    std::lock_guard<std::mutex> hold(connectionsLock);
    Connection *connection = FindConnection(hConnection);
    if (!connection)
        return E_INVALIDARG;
    *pdwStatus = connection->status;
    return S_OK;
}

HRESULT WINAPI ConnMgrEstablishConnectionSync(CONNMGR_CONNECTIONINFO *pConnInfo, HANDLE *phConnection, DWORD dwTimeout,
                                              DWORD *pdwStatus)
{
    (void)dwTimeout;
    if (!pConnInfo || !phConnection || !pdwStatus || pConnInfo->cbSize < sizeof(CONNMGR_CONNECTIONINFO))
        return E_INVALIDARG;
    Connection *connection = new Connection;
    bool available = EmulationGetDWORD(L"InternetConnection", 1) != 0;
    connection->status = available ? CONNMGR_STATUS_CONNECTED : CONNMGR_STATUS_CONNECTIONFAILED;
    {
        std::lock_guard<std::mutex> hold(connectionsLock);
        connections.insert(connection);
    }
    *phConnection = (HANDLE)connection;
    *pdwStatus = connection->status;
    return available ? S_OK : E_FAIL;
}

HRESULT WINAPI ConnMgrReleaseConnection(HANDLE hConnection, LONG lCache)
{
    (void)lCache;
    std::lock_guard<std::mutex> hold(connectionsLock);
    Connection *connection = FindConnection(hConnection);
    if (!connection)
        return E_INVALIDARG;
    connections.erase(connection);
    delete connection;
    return S_OK;
}
