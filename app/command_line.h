// Reading a command line, ours or a second start's, into what it asks for.
#pragma once
#include "base/capacities.h"

#include "base/phone_link.h"

// What a command line asks for, before any of it is acted on.
struct CommandLineRequest {
    BOOL chooseContact;
    BOOL hasName;
    WCHAR name[NAME_CAPACITY];
    // The number part as written (the line before "-name="), and whether it
    // holds more than spaces: a line that holds text but no number dials
    // nothing and says so.
    WCHAR numberText[COMMAND_LINE_CAPACITY];
    BOOL hasNumberText;
    // The number as read, when numberResult says it was read whole.
    WCHAR number[NUMBER_CAPACITY];
    PhoneLinkResult numberResult;
    // A line that is a tel: or callto: link is that link and nothing else:
    // its number is never dialled by the line itself.
    BOOL isLink;
};
// Reads the first COMMAND_LINE_CAPACITY - 1 units of the line; a link that
// fills them is taken as too long, since it may have been cut.
void ParseCommandLine(const WCHAR *commandLine, CommandLineRequest *request);
// A link or a number as a message may name it: at most capacity - 1 units,
// control and bidirectional formatting characters as spaces (so that the
// text cannot reorder the message around it), "..." where it was cut.
void DescribeText(WCHAR *out, size_t capacity, const WCHAR *text);
// Takes away the quoting that the desktop shell adds to arguments.
void UndoDesktopQuoting(WCHAR *out, size_t capacity, const WCHAR *line);
