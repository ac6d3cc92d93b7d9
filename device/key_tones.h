// DTMF key tones, made by the wave device's frequency generators.
#pragma once
#include "app/app_state.h"

// Has the wave device ready its output in the background.
void PrepareKeyTones(void);
void PlayKeyTone(KeyCode key);
void StopKeyTone(void);
