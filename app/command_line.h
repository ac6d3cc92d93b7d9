// Reading a command line, ours or a second start's, into what it asks for.
#pragma once
#include "base/capacities.h"

#include "base/phone_link.h"

// What a command line asks for, before any of it is acted on.
struct CommandLineRequest {
    BOOL chooseContact;
    BOOL hasName;
    WCHAR name[NAME_CAPACITY];
    WCHAR number[NUMBER_CAPACITY];
    // A line that is a tel: or callto: link is that link and nothing else:
    // its number, when linkResult says it was read, is never dialled by
    // the line itself.
    BOOL isLink;
    PhoneLinkResult linkResult;
};
// Reads the first COMMAND_LINE_CAPACITY - 1 units of the line; a link that
// fills them is taken as too long, since it may have been cut.
void ParseCommandLine(const WCHAR *commandLine, CommandLineRequest *request);
// The link as a message may name it: at most capacity - 1 units, control
// characters as spaces, "..." where it was cut.
void DescribeLink(WCHAR *out, size_t capacity, const WCHAR *link);
// Takes away the quoting that the desktop shell adds to arguments.
void UndoDesktopQuoting(WCHAR *out, size_t capacity, const WCHAR *line);
