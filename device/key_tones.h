// DTMF key tones, made by the wave device's frequency generators.
#pragma once
#include "app/app_state.h"

void PlayKeyTone(KeyCode key);
void StopKeyTone(void);
// The row and column frequencies of a key; false for keys without a tone.
bool KeyToneFrequencies(KeyCode key, WORD *low, WORD *high);
