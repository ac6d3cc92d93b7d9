#pragma once

// Starts, once per process, the keeper of the shell's system-state values.
void StartShellStateKeeper(void);
