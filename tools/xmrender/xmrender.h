// The pieces of xmrender: a module file read and loaded with a clear cause
// when it cannot be, a 16-bit stereo WAV writer, and the --info report.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>
#include "player/mp_render.h"

struct Module;

// ---- the module file ----

struct ModuleFile {
    std::string path;
    std::vector<uint8_t> bytes;
    Module* module;          // null until loaded
    int64_t missing_bytes;   // the file is cut off by this much
};
// Reads the file and loads it; false with the cause in one line ("is a
// directory", "empty file", the loader's reason for refusing it, ...).
bool module_file_load(const char* path, ModuleFile* file, std::string* error);
void module_file_free(ModuleFile* file);

// ---- WAV ----

// The 44-byte header of `frames` stereo 16-bit frames at `rate`. The length
// is known before rendering, so standard output needs no seek back.
void wav_header(uint8_t* header, int32_t rate, uint32_t frames);
// Writes frames little-endian whatever the machine; false when the file refuses them.
bool wav_write(std::FILE* file, const int16_t* frames, int32_t count);
// Frames a WAV can hold: its data size is 32 bits.
constexpr int64_t WAV_MAX_FRAMES = (0xFFFFFFFFll - 36) / 4;

// ---- --info and --timeline ----

struct SongFacts {
    SongEnd end;                    // of one pass
    std::vector<RenderRow> rows;    // every row of that pass, in playing order
};
// Measures one pass of the song (at most `limit` frames) without mixing.
SongFacts song_facts(Module* module, int32_t rate, int64_t limit);
void print_info(std::FILE* out, const ModuleFile& file, const SongFacts& facts, int32_t rate);
void print_timeline_header(std::FILE* out);
void print_timeline_row(std::FILE* out, const RenderRow& row, int32_t rate);
