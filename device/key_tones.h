// DTMF key tones, made by the wave device's frequency generators.
#pragma once
#include "app/app_state.h"

void PlayKeyTone(KeyCode key);
void StopKeyTone(void);
