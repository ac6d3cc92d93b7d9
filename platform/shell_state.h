#pragma once
#include <windows.h>

// Starts, once per process, the keeper of the shell's system-state values.
void StartShellStateKeeper(void);

// Observation point for tests: the keeper's thread id, 0 before it runs.
DWORD ShellStateKeeperThreadId(void);
