// What the callback services' replies hold, as the tests write them.
#pragma once

// What JaJah's pages put before an error message.
static const char *const JAJAH_ERROR = "<div style=\"background-color:Yellow;\"><font color=\"black\">";
