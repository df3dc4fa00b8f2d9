// The demo application's own records and functions: pictures, module
// stream, sprites, font, scroller, credits and the frame they make up.
#pragma once
#include <cstdint>
#include "app/mem_stream.h"

constexpr int SCREEN_WIDTH = 320;
constexpr int SCREEN_HEIGHT = 240;
constexpr int FONT_WIDTH = 728;
constexpr int FONT_HEIGHT = 11;

// ---- pictures (decoded once at start-up, never released) ----
extern uint32_t* background;    // 320 x 240
extern uint32_t* sprite_sheet;  // 320 x 240
extern uint32_t* font_strip;    // 728 x 11

// Turns a colour-mapped TGA of the given size, `image_size` bytes long, into
// 0x00RRGGBB pixels, top row first. False, with nothing written, for a
// picture too short for its size or with another header.
bool decode_tga(uint32_t* destination, const uint8_t* image, uint32_t image_size, int width, int height);
// Allocates and decodes the three pictures, in this order; false when
// memory for them cannot be had.
bool decode_pictures();

// ---- in-memory module stream ----
// The stream callback: ignores the name and opens the memory stream over the
// embedded module; the other four are the memory stream's own.
void* mem_open(const void* name);

// ---- the animals ----
int goat_x(int t);
int sheep_x(int t);
int goat_mouth_frame(int row);
int sheep_mouth_frame(int row);
void draw_goat(int x, int y, int frame, uint32_t* pixels);
void draw_sheep(int x, int y, int frame, uint32_t* pixels);

// ---- bitmap font ----
extern const char font_charset[];
int glyph_index(char c);
void draw_glyph(int x, int first_column, int width, int y, int cell, uint32_t* pixels);
void draw_text(int x, int y, const char* text, uint32_t* pixels);

// ---- sine scroller ----
extern const char* scroll_text;
extern int scroll_length;
extern int scroll_pos;
extern int scroll_offset;
extern int scroll_last_time;
extern bool scroll_started;
extern bool quit_requested;
extern bool keep_running;
void update_scroller(uint32_t* pixels, int t);
void draw_scroller(int pos, int offset, uint32_t* pixels);

// ---- credits ----
struct CreditEntry {
    int start;          // tenths of a second from 20 s; negative ends the table
    int duration;       // tenths of a second
    const char* label;
    int x;
    int y;              // text row + 30
};
extern const CreditEntry credits[];
void draw_credits(uint32_t* pixels, int t);

// ---- the frame ----
// Composes one frame at music time t (ms) and pattern row r: background,
// goat, sheep, scroller, credits.
void draw_frame(uint32_t* pixels, int t, int r);
// True when "/c" stands anywhere in the command line.
bool command_line_keeps_running(const char* command_line);
