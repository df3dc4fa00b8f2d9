// The numbers a pattern cell's effect and volume-column bytes carry, as the
// module files write them; the effects switch on these names.
#pragma once
#include <cstdint>

// Effect column: the cell's effect byte (the letters A.. are 10..).
enum : uint8_t {
    FX_ARPEGGIO = 0,
    FX_PORTA_UP = 1,
    FX_PORTA_DOWN = 2,
    FX_TONE_PORTA = 3,
    FX_VIBRATO = 4,
    FX_TONE_PORTA_VOLUME_SLIDE = 5,
    FX_VIBRATO_VOLUME_SLIDE = 6,
    FX_TREMOLO = 7,
    FX_SET_PANNING = 8,
    FX_SAMPLE_OFFSET = 9,
    FX_VOLUME_SLIDE = 10,          // A
    FX_POSITION_JUMP = 11,         // B
    FX_SET_VOLUME = 12,            // C
    FX_PATTERN_BREAK = 13,         // D
    FX_EXTENDED = 14,              // E, the command in the parameter's high nibble
    FX_SPEED = 15,                 // F, speed below 32, else BPM
    FX_SET_GLOBAL_VOLUME = 16,     // G
    FX_GLOBAL_VOLUME_SLIDE = 17,   // H
    FX_KEY_OFF = 20,               // K
    FX_ENVELOPE_POSITION = 21,     // L
    FX_PANNING_SLIDE = 25,         // P
    FX_MULTI_RETRIGGER = 27,       // R
    FX_TREMOR = 29,                // T
    FX_EXTRA_FINE_PORTA = 33,      // X, direction in the parameter's high nibble
};

// Commands of FX_EXTENDED: the high nibble of its parameter.
enum : uint8_t {
    EXT_FINE_PORTA_UP = 0x1,
    EXT_FINE_PORTA_DOWN = 0x2,
    EXT_GLISSANDO = 0x3,
    EXT_VIBRATO_CONTROL = 0x4,
    EXT_SET_FINETUNE = 0x5,
    EXT_PATTERN_LOOP = 0x6,
    EXT_TREMOLO_CONTROL = 0x7,
    EXT_SET_PANNING = 0x8,
    EXT_RETRIGGER = 0x9,
    EXT_FINE_VOLUME_UP = 0xA,
    EXT_FINE_VOLUME_DOWN = 0xB,
    EXT_NOTE_CUT = 0xC,
    EXT_NOTE_DELAY = 0xD,
    EXT_PATTERN_DELAY = 0xE,
};

// Directions of FX_EXTRA_FINE_PORTA: the high nibble of its parameter.
enum : uint8_t { XFINE_UP = 0x1, XFINE_DOWN = 0x2 };

// Volume column: bytes 0x10..0x50 set the volume; above them the high nibble
// is the command and the low one its value.
enum : uint8_t { VOL_SET_LOWEST = 0x10, VOL_SET_HIGHEST = 0x50 };
enum : uint8_t {
    VOL_SLIDE_DOWN = 0x6,
    VOL_SLIDE_UP = 0x7,
    VOL_FINE_DOWN = 0x8,
    VOL_FINE_UP = 0x9,
    VOL_VIBRATO_SPEED = 0xA,
    VOL_VIBRATO = 0xB,
    VOL_SET_PANNING = 0xC,
    VOL_PANNING_LEFT = 0xD,
    VOL_PANNING_RIGHT = 0xE,
    VOL_TONE_PORTA = 0xF,
};

// Vibrato waveforms: the low two bits of a channel's wave_control.
enum : uint8_t { WAVE_SINE = 0, WAVE_RAMP = 1, WAVE_SQUARE = 2 };
