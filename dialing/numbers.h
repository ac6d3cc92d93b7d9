// The number's text logic: dial-plan formatting and the normalizers. Pure
// functions of their arguments.
#pragma once
#include "base/capacities.h"

#define DIALABLE_CHARACTERS L"0123456789+#*pw"
// The dial plan until the user sets one: North American numbers.
#define DEFAULT_DIAL_PLAN L"+1_NNN_NNN_NNNN;1_(NNN)_NNN-NNNN;NNN-NNNN;(NNN)_NNN-NNNN"

// Shapes number with plan into out; shows it raw when no pattern matches.
void FormatWithDialPlan(WCHAR *out, size_t capacity, const WCHAR *number, const WCHAR *plan);
// Keeps the dialable characters among the first capacity - 1 of the source.
void FilterDialable(WCHAR *destination, const WCHAR *source, size_t capacity);
// Keeps the dialable characters of the whole source. When they do not fit,
// the destination is left empty and the result is FALSE: a number cut short
// would call someone else.
BOOL ReduceToDialable(WCHAR *destination, size_t capacity, const WCHAR *source);
// FALSE when the international form had to be cut.
BOOL ToInternationalWithCode(WCHAR *text, size_t capacity, const WCHAR *countryCode);
// An own number with nothing after the country code is not known: that is
// what the lookup leaves when the line reports no number.
BOOL OwnNumberIsKnown(const WCHAR *ownNumber, const WCHAR *countryCode);
