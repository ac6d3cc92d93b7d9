// The desktop program's resources (app/zembrik.rc).
#pragma once

// The lowest numbered icon group: the one the shell shows for the program.
#define PROGRAM_ICON_ID 1
