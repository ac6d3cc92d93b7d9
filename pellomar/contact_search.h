// The companion's Search page: whether one contact entry, a name and one of
// its numbers, is what the user is looking for. A pure function of its
// arguments: no allocation, no platform call.
#pragma once
#include "base/portable_types.h"

// The units of the name, of the number and of the typed text (after its
// leading spaces) that are looked at; anything after them is ignored, so
// that one search costs at most a few hundred thousand steps.
#define CONTACT_SEARCH_UNITS 260

// TRUE when the typed text, without its leading and trailing spaces, is
// empty or is found in the entry:
// - in the name, ignoring ASCII case, full-width forms (as FoldNumberUnit
//   reads them) and the accents of Latin-1 Supplement and Latin
//   Extended-A (U+00C0 to U+017F: "jose" finds Jose with its acute e);
//   the ligatures, thorn and sharp s are read as two letters (ae, oe, ij,
//   th, ss), so "strasse" finds Strasse written with a sharp s;
// - in the number as it is written, the same way ("flowers" finds
//   1-800-FLOWERS);
// - when it holds only digits, '+', '*', '#' and the separators people type
//   (spaces, '-', '.', '(', ')'): its dialable characters among the
//   number's, as ReadWrittenNumber reads it ("5551234" finds
//   "(555) 123-4567"; an extension follows a pause, so digits typed across
//   it find nothing);
// - when it holds only digits 2 to 9: as the keypad's keys of the letters
//   (and digits) of one word of the name, from the word's start ("526"
//   finds "Jan" and "Mary Jane", not "Ajan"). A word starts the name or
//   follows a space, '-', '.' or ','; an apostrophe inside it (O'Brien) is
//   passed over, as the keypad has no key for it.
// NULL texts are taken as empty.
BOOL ContactMatchesSearch(const WCHAR *name, const WCHAR *number, const WCHAR *typed);
