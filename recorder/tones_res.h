// The recorder's tones: WAVE resources of the program (made at build time).
#pragma once

#define IDW_START_TONE 1
#define IDW_STOP_TONE 2
