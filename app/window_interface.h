// What other programs know of the dialer's window: its class and title, by
// which they find it, and the commands its WM_COMMAND takes.
#pragma once

#define ZEMBRIK_CLASS_NAME L"Zembrik"
#define ZEMBRIK_TITLE L"Zembrik"

#define CMD_FAVORITES 1
#define CMD_RECENTS 2
#define CMD_CONTACTS 3
#define CMD_SEARCH 5
#define CMD_KEY 32
#define CMD_CLEAR 33
#define CMD_DIAL 34
#define CMD_RELOAD_SETTINGS 35
#define CMD_VOICEMAIL 36
#define CMD_NEXT_SERVICE 48
#define CMD_CALL_KEY 256
#define CMD_MINIMIZE 257
