// Observation points of the emulated telephony service, for tests.
#pragma once
#include <windows.h>

// Telephony instances started with lineInitializeExW and not yet shut down.
DWORD TapiEmulationOpenInstances(void);
