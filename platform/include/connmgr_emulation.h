// Observation points of the emulated Connection Manager, for tests.
#pragma once
#include <connmgr.h>

// Connections established and not yet released.
DWORD ConnMgrEmulationOpenConnections(void);
