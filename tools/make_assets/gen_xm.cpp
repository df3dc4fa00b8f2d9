// Turns the song into an XM module through the XM writer: 276-byte header,
// packed 64-row patterns, one sample per instrument, the last sample ending
// at the file's last byte.
#include "tools/make_assets/music.h"
#include "tools/xm_writer/xm_writer.h"

namespace {

XmInstrument xm_instrument(const SynthInstrument& ins) {
    XmInstrument out;
    out.name = ins.name;
    for (size_t i = 0; i < ins.envelope.size(); i++)
        out.volume_envelope[i] = {static_cast<uint16_t>(ins.envelope[i].tick),
                                  static_cast<uint16_t>(ins.envelope[i].value)};
    out.volume_points = static_cast<uint8_t>(ins.envelope.size());
    out.volume_sustain = static_cast<uint8_t>(ins.sustain_point < 0 ? 0 : ins.sustain_point);
    if (!ins.envelope.empty()) out.volume_type = static_cast<uint8_t>(1 | (ins.sustain_point >= 0 ? 2 : 0));
    out.fadeout = static_cast<uint16_t>(ins.fadeout);
    const uint32_t length = static_cast<uint32_t>(ins.data.size());
    XmSample s = xm_sample8(ins.data, ins.looped ? 1 : 0, 0, ins.looped ? length : 0);
    s.volume = static_cast<uint8_t>(ins.volume);
    s.finetune = static_cast<int8_t>(ins.finetune);
    s.panning = static_cast<uint8_t>(ins.panning);
    s.relative_note = static_cast<int8_t>(ins.relative_note);
    s.name = ins.name;
    out.samples.push_back(s);
    return out;
}

}  // namespace

Bytes xm_encode(const Song& song) {
    XmSong xm;
    xm.tracker = "FastTracker v2.00";
    xm.song_length = static_cast<uint16_t>(song.orders.size());
    xm.channels = SONG_CHANNELS;
    xm.speed = static_cast<uint16_t>(song.speed);
    xm.bpm = static_cast<uint16_t>(song.bpm);
    for (size_t i = 0; i < song.orders.size(); i++) xm.orders[i] = song.orders[i];
    for (const auto& cells : song.patterns) {
        XmPattern p;
        for (const ScoreCell& c : cells) p.cells.push_back(Cell{c.note, c.instrument, c.volume, c.effect, c.parameter});
        xm.patterns.push_back(p);
    }
    for (const SynthInstrument& ins : song.instruments) xm.instruments.push_back(xm_instrument(ins));
    return xm_build(xm);
}

Bytes make_module(const std::string& source_dir) {
    Song song{};
    if (!read_instruments(source_dir + "/instruments.txt", &song) || !read_score(source_dir + "/score.txt", &song))
        return {};
    return xm_encode(song);
}
