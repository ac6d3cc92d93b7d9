// Reading a command line, ours or a second start's, into what it asks for.
#pragma once
#include "app/capacities.h"

// What a command line asks for, before any of it is acted on.
struct CommandLineRequest {
    BOOL chooseContact;
    BOOL hasName;
    WCHAR name[NAME_CAPACITY];
    WCHAR number[NUMBER_CAPACITY];
};
// Reads the first COMMAND_LINE_CAPACITY - 1 units of the line.
void ParseCommandLine(const WCHAR *commandLine, CommandLineRequest *request);
// Takes away the quoting that the desktop shell adds to arguments.
void UndoDesktopQuoting(WCHAR *out, size_t capacity, const WCHAR *line);
