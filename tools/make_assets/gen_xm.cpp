// Writes the song as an XM module in the layout the player's loader reads:
// 276-byte header, packed 64-row patterns, one 8-bit delta-coded sample per
// instrument, the last sample ending at the file's last byte.
#include <cstring>
#include "tools/make_assets/music.h"

namespace {

void put(Bytes* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void put_text(Bytes* out, const char* text, size_t width, char pad) {
    for (size_t i = 0; i < width; i++) out->push_back(static_cast<uint8_t>(i < std::strlen(text) ? text[i] : pad));
}

// Each cell as a flag byte and its non-zero fields, or all five bytes
// unflagged when every field is present (one byte shorter).
void put_pattern(Bytes* out, const std::vector<ScoreCell>& cells) {
    Bytes packed;
    for (const ScoreCell& c : cells) {
        const uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.parameter};
        uint8_t flags = 0x80;
        for (int i = 0; i < 5; i++)
            if (fields[i]) flags |= static_cast<uint8_t>(1 << i);
        if (flags == 0x9F) {
            packed.insert(packed.end(), fields, fields + 5);
            continue;
        }
        packed.push_back(flags);
        for (int i = 0; i < 5; i++)
            if (fields[i]) packed.push_back(fields[i]);
    }
    put(out, 9, 4);  // header length
    put(out, 0, 1);  // packing type
    put(out, SONG_ROWS, 2);
    put(out, static_cast<uint32_t>(packed.size()), 2);
    out->insert(out->end(), packed.begin(), packed.end());
}

void put_instrument(Bytes* out, const SynthInstrument& ins) {
    size_t start = out->size();
    put(out, 263, 4);
    put_text(out, ins.name.c_str(), 22, 0);
    put(out, 0, 1);   // type
    put(out, 1, 2);   // one sample
    put(out, 40, 4);  // sample header size
    put_text(out, "", 96, 0);  // every note plays sample 0
    for (int i = 0; i < 12; i++) {
        bool used = i < static_cast<int>(ins.envelope.size());
        put(out, used ? ins.envelope[i].tick : 0, 2);
        put(out, used ? ins.envelope[i].value : 0, 2);
    }
    put_text(out, "", 48, 0);  // no panning envelope
    bool envelope = !ins.envelope.empty();
    put(out, static_cast<uint32_t>(ins.envelope.size()), 1);
    put(out, 0, 1);
    put(out, ins.sustain_point < 0 ? 0 : ins.sustain_point, 1);
    put(out, 0, 4);  // volume loop start and end, panning sustain and loop
    put(out, envelope ? 1 | (ins.sustain_point >= 0 ? 2 : 0) : 0, 1);
    put(out, 0, 1);  // panning type
    put(out, 0, 4);  // no auto-vibrato
    put(out, static_cast<uint32_t>(ins.fadeout), 2);
    put(out, 0, 263 - static_cast<int>(out->size() - start));  // reserved

    uint32_t length = static_cast<uint32_t>(ins.data.size());
    put(out, length, 4);
    put(out, 0, 4);
    put(out, ins.looped ? length : 0, 4);
    put(out, static_cast<uint32_t>(ins.volume), 1);
    put(out, static_cast<uint32_t>(ins.finetune) & 0xFF, 1);
    put(out, ins.looped ? 1 : 0, 1);  // forward loop or none, 8-bit
    put(out, static_cast<uint32_t>(ins.panning), 1);
    put(out, static_cast<uint32_t>(ins.relative_note) & 0xFF, 1);
    put(out, 0, 1);
    put_text(out, ins.name.c_str(), 22, 0);
}

// Sample bytes are stored as differences from the byte before.
void put_sample_data(Bytes* out, const SynthInstrument& ins) {
    int8_t previous = 0;
    for (int8_t v : ins.data) {
        out->push_back(static_cast<uint8_t>(v - previous));
        previous = v;
    }
}

}  // namespace

Bytes xm_encode(const Song& song) {
    Bytes out;
    put_text(&out, "Extended Module: ", 17, 0);
    put_text(&out, "", 20, 0);  // module name
    put(&out, 0x1A, 1);
    put_text(&out, "FastTracker v2.00", 20, ' ');
    put(&out, 0x0104, 2);
    put(&out, 276, 4);
    put(&out, static_cast<uint32_t>(song.orders.size()), 2);
    put(&out, 0, 2);  // restart position
    put(&out, SONG_CHANNELS, 2);
    put(&out, static_cast<uint32_t>(song.patterns.size()), 2);
    put(&out, static_cast<uint32_t>(song.instruments.size()), 2);
    put(&out, 1, 2);  // linear frequency table
    put(&out, static_cast<uint32_t>(song.speed), 2);
    put(&out, static_cast<uint32_t>(song.bpm), 2);
    for (int i = 0; i < 256; i++) put(&out, i < static_cast<int>(song.orders.size()) ? song.orders[i] : 0, 1);
    for (const auto& pattern : song.patterns) put_pattern(&out, pattern);
    for (const SynthInstrument& ins : song.instruments) {
        put_instrument(&out, ins);
        put_sample_data(&out, ins);
    }
    return out;
}

Bytes make_module(const std::string& source_dir) {
    Song song{};
    if (!read_instruments(source_dir + "/instruments.txt", &song) || !read_score(source_dir + "/score.txt", &song))
        return {};
    return xm_encode(song);
}
