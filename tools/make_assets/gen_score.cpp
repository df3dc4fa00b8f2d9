// The score: song settings, the order list and patterns written one channel
// line at a time, each word a note (c#5, with an optional ":volume"), "." for
// nothing or "^" for key off, every word "step" rows after the one before.
#include <map>
#include "tools/make_assets/music.h"

namespace {

// XM numbers notes from C-0 = 1; "^" is the key-off note 97.
bool parse_note(const std::string& word, ScoreCell* cell) {
    std::string note = word.substr(0, word.find(':'));
    if (word.find(':') != std::string::npos) {
        int volume;
        if (!parse_int(word.substr(word.find(':') + 1), &volume) || volume < 0 || volume > 64) return false;
        cell->volume = static_cast<uint8_t>(0x10 + volume);
    }
    if (note == ".") return true;
    if (note == "^") {
        cell->note = 97;
        return true;
    }
    static const int semitone[] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    if (note.size() < 2 || note[0] < 'a' || note[0] > 'g') return false;
    int value = semitone[note[0] - 'a'];
    size_t at = 1;
    if (note[1] == '#') value++, at++;
    if (at + 1 != note.size() || note[at] < '0' || note[at] > '7') return false;
    value += 12 * (note[at] - '0') + 1;
    if (value < 1 || value > 96) return false;
    cell->note = static_cast<uint8_t>(value);
    return true;
}

int instrument_number(const Song& song, const std::string& name) {
    for (size_t i = 0; i < song.instruments.size(); i++)
        if (song.instruments[i].name == name) return static_cast<int>(i) + 1;
    return 0;
}

// "CHANNEL INSTRUMENT word word ...", appended to what the channel already has.
bool read_channel_line(const Source& source, const SourceLine& line, const Song& song, int step,
                       std::map<int, int>* next_row, std::vector<ScoreCell>* pattern) {
    int channel;
    int instrument = line.words.size() > 1 ? instrument_number(song, line.words[1]) : 0;
    if (!parse_int(line.words[0], &channel) || channel < 0 || channel >= SONG_CHANNELS || instrument == 0)
        return source_error(source, line.number, "expected CHANNEL (0..31) and an instrument name");
    int& row = (*next_row)[channel];
    for (size_t i = 2; i < line.words.size(); i++) {
        if (line.words[i] == "|") continue;  // bar line, for the reader
        if (row >= SONG_ROWS) return source_error(source, line.number, "more than 64 rows in this channel");
        ScoreCell& cell = (*pattern)[row * SONG_CHANNELS + channel];
        if (!parse_note(line.words[i], &cell))
            return source_error(source, line.number, "cannot read note \"" + line.words[i] + "\"");
        if (cell.note != 0 && cell.note != 97) cell.instrument = static_cast<uint8_t>(instrument);
        row += step;
    }
    return true;
}

}  // namespace

bool read_score(const std::string& path, Song* song) {
    Source source;
    if (!read_source(path, &source)) return false;
    song->speed = 6;
    song->bpm = 125;
    int step = 1;
    std::map<int, int> next_row;
    for (const SourceLine& line : source.lines) {
        const std::string& head = line.words[0];
        int value = 0;
        bool one_number = line.words.size() == 2 && parse_int(line.words[1], &value);
        if (head == "speed" && one_number && value >= 1 && value <= 31) {
            song->speed = value;
        } else if (head == "bpm" && one_number && value >= 32 && value <= 255) {
            song->bpm = value;
        } else if (head == "step" && one_number && value >= 1 && value <= 64) {
            step = value;
        } else if (head == "order") {
            for (size_t i = 1; i < line.words.size(); i++) {
                if (!parse_int(line.words[i], &value) || value < 0 || value > 255 || song->orders.size() == 256)
                    return source_error(source, line.number, "order entries are pattern numbers 0..255");
                song->orders.push_back(static_cast<uint8_t>(value));
            }
        } else if (head == "pattern" && line.words.size() == 1) {
            song->patterns.emplace_back(SONG_ROWS * SONG_CHANNELS, ScoreCell{0, 0, 0, 0, 0});
            next_row.clear();
            step = 1;
        } else if (!song->patterns.empty()) {
            if (!read_channel_line(source, line, *song, step, &next_row, &song->patterns.back())) return false;
        } else {
            return source_error(source, line.number, "cannot read \"" + line.text + "\"");
        }
    }
    if (song->orders.empty() || song->patterns.empty()) return source_error(source, 0, "no order list or no patterns");
    for (uint8_t order : song->orders)
        if (order >= song->patterns.size()) return source_error(source, 0, "the order list names a missing pattern");
    return true;
}
