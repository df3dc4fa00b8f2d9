// The score: song settings, the order list, numbered patterns written one
// channel line at a time, and echo channels. A word is a note with an
// optional volume-column entry and effect, "step" rows after the word before,
// and "*N" to write it N times:
//   c#5   c5:40   c5:-2   .,A04   c5:g8   ^   x,E93   .,047*7
#include <cctype>
#include <map>
#include <set>
#include <sstream>
#include "tools/make_assets/music.h"

namespace {

// Sharps are written with "#", so in the score a comment starts only at a
// word that begins with it.
std::vector<std::string> score_words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w && w[0] != '#';) words.push_back(w);
    return words;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// XM numbers notes from C-0 = 1; "^" is the key-off note 97, "x" plays c4,
// the pitch of an unpitched sample.
bool parse_note(const std::string& note, uint8_t* value) {
    if (note == ".") return true;
    if (note == "^" || note == "x") {
        *value = note == "^" ? 97 : 49;
        return true;
    }
    static const int semitone[] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    if (note.size() < 2 || note[0] < 'a' || note[0] > 'g') return false;
    int n = semitone[note[0] - 'a'];
    size_t at = 1;
    if (note[1] == '#') n++, at++;
    if (at + 1 != note.size() || note[at] < '0' || note[at] > '7') return false;
    n += 12 * (note[at] - '0') + 1;
    if (n < 1 || n > 96) return false;
    *value = static_cast<uint8_t>(n);
    return true;
}

// A volume 0..64, or a command letter and one hex digit:
// - + slide down/up every tick, d u fine slide, s v vibrato speed/depth,
// p panning, < > panning slide, g tone portamento.
bool parse_volume(const std::string& text, uint8_t* value) {
    static const std::string letters = "-+dusvp<>g";
    int volume;
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0]))) {
        if (!parse_int(text, &volume) || volume > 64) return false;
        *value = static_cast<uint8_t>(0x10 + volume);
        return true;
    }
    const size_t command = text.size() == 2 ? letters.find(text[0]) : std::string::npos;
    if (command == std::string::npos || hex_digit(text[1]) < 0) return false;
    *value = static_cast<uint8_t>((0x6 + command) << 4 | hex_digit(text[1]));
    return true;
}

// Three characters as a tracker shows them: the effect (0-9, A-Z) and two hex digits.
bool parse_effect(const std::string& text, uint8_t* effect, uint8_t* parameter) {
    if (text.size() != 3 || hex_digit(text[1]) < 0 || hex_digit(text[2]) < 0) return false;
    if (std::isdigit(static_cast<unsigned char>(text[0]))) {
        *effect = static_cast<uint8_t>(text[0] - '0');
    } else if (text[0] >= 'A' && text[0] <= 'Z') {
        *effect = static_cast<uint8_t>(text[0] - 'A' + 10);
    } else {
        return false;
    }
    *parameter = static_cast<uint8_t>(hex_digit(text[1]) << 4 | hex_digit(text[2]));
    return true;
}

bool is_porta(const ScoreCell& c) { return c.effect == 3 || c.effect == 5 || c.volume >= 0xF0; }

bool parse_word(const std::string& word, int instrument, ScoreCell* cell) {
    const size_t comma = word.find(','), colon = word.find(':');
    if (colon != std::string::npos && comma != std::string::npos && colon > comma) return false;
    const size_t note_end = colon != std::string::npos ? colon : comma;
    if (!parse_note(word.substr(0, note_end), &cell->note)) return false;
    if (colon != std::string::npos &&
        !parse_volume(word.substr(colon + 1, comma == std::string::npos ? std::string::npos : comma - colon - 1),
                      &cell->volume))
        return false;
    if (comma != std::string::npos && !parse_effect(word.substr(comma + 1), &cell->effect, &cell->parameter))
        return false;
    // A slide to a note keeps the sounding instrument going instead of starting it again.
    if (cell->note != 0 && cell->note != 97 && !is_porta(*cell)) cell->instrument = static_cast<uint8_t>(instrument);
    return true;
}

int instrument_number(const Song& song, const std::string& name) {
    for (size_t i = 0; i < song.instruments.size(); i++)
        if (song.instruments[i].name == name) return static_cast<int>(i) + 1;
    return 0;
}

// "CHANNEL INSTRUMENT word word ...", appended to what the channel already has.
bool read_channel_line(const Source& source, const SourceLine& line, const Song& song, int step,
                       std::map<int, int>* next_row, ScorePattern* pattern) {
    int channel;
    const int instrument = line.words.size() > 1 ? instrument_number(song, line.words[1]) : 0;
    if (!parse_int(line.words[0], &channel) || channel < 0 || channel >= SONG_CHANNELS || instrument == 0)
        return source_error(source, line.number, "expected CHANNEL (0..31) and an instrument name");
    int& row = (*next_row)[channel];
    for (size_t i = 2; i < line.words.size(); i++) {
        if (line.words[i] == "|") continue;  // bar line, for the reader
        // "word*N" writes the word N times.
        std::string word = line.words[i];
        int times = 1;
        const size_t star = word.rfind('*');
        if (star != std::string::npos) {
            if (!parse_int(word.substr(star + 1), &times) || times < 1 || times > SONG_ROWS)
                return source_error(source, line.number, "cannot read \"" + word + "\"");
            word.resize(star);
        }
        for (int t = 0; t < times; t++, row += step) {
            if (row >= SONG_ROWS)
                return source_error(source, line.number, "more than 64 rows in channel " + line.words[0]);
            if (!parse_word(word, instrument, &(*pattern)[row * SONG_CHANNELS + channel]))
                return source_error(source, line.number, "cannot read \"" + word + "\"");
        }
    }
    return true;
}

// "echo CHANNEL SOURCE ROWS PERCENT [PANNING]"
bool read_echo(const Source& source, const SourceLine& line, Song* song) {
    Echo e{0, 0, 0, 0, -1, line.number};
    const std::vector<std::string>& w = line.words;
    if ((w.size() != 5 && w.size() != 6) || !parse_int(w[1], &e.channel) || !parse_int(w[2], &e.source) ||
        !parse_int(w[3], &e.delay) || !parse_int(w[4], &e.percent) || (w.size() == 6 && !parse_int(w[5], &e.panning)) ||
        e.channel < 0 || e.channel >= SONG_CHANNELS || e.source < 0 || e.source >= SONG_CHANNELS ||
        e.channel == e.source || e.delay < 1 || e.delay >= SONG_ROWS || e.percent < 1 || e.percent > 100 ||
        e.panning > 255)
        return source_error(source, line.number, "echo CHANNEL SOURCE ROWS(1..63) PERCENT(1..100) [PANNING 0..255]");
    song->echoes.push_back(e);
    return true;
}

// Effects that move the song position stay with their own channel.
bool moves_position(const ScoreCell& c) {
    return c.effect == 0x0B || c.effect == 0x0D || c.effect == 0x0F ||
           (c.effect == 0x0E && (c.parameter >> 4 == 6 || c.parameter >> 4 == 0xE));
}

ScoreCell echo_of(const ScoreCell& c, const Echo& e, const Song& song) {
    ScoreCell out = c;
    if (moves_position(c)) out.effect = out.parameter = 0;
    if (c.instrument != 0 && (c.volume == 0 || (c.volume >= 0x10 && c.volume <= 0x50))) {
        const int volume = c.volume ? c.volume - 0x10 : song.instruments[c.instrument - 1].volume;
        out.volume = static_cast<uint8_t>(0x10 + volume * e.percent / 100);
    }
    if (c.note != 0 && c.note != 97 && out.effect == 0 && out.parameter == 0 && e.panning >= 0) {
        out.effect = 8;
        out.parameter = static_cast<uint8_t>(e.panning);
    }
    return out;
}

bool apply_echoes(const Source& source, Song* song) {
    const std::set<uint8_t> distinct(song->orders.begin(), song->orders.end());
    if (!song->echoes.empty() && distinct.size() != song->orders.size())
        return source_error(source, song->echoes[0].line, "echoes need every pattern once in the order list");
    for (const Echo& e : song->echoes) {
        for (size_t i = 0; i < song->orders.size(); i++) {
            ScorePattern& here = song->patterns[song->orders[i]];
            ScorePattern& next = song->patterns[song->orders[(i + 1) % song->orders.size()]];
            for (int row = 0; row < SONG_ROWS; row++) {
                const ScoreCell& c = here[row * SONG_CHANNELS + e.source];
                if (c.note == 0 && c.effect == 0 && c.volume == 0) continue;
                const int to = row + e.delay;
                ScoreCell& target = (to < SONG_ROWS ? here : next)[(to % SONG_ROWS) * SONG_CHANNELS + e.channel];
                if (target.note || target.instrument || target.volume || target.effect || target.parameter)
                    return source_error(source, e.line, "the echo falls on a written cell of channel " +
                                                            std::to_string(e.channel));
                target = echo_of(c, e, *song);
            }
        }
    }
    return true;
}

bool read_pattern_head(const Source& source, const SourceLine& line, Song* song, std::set<int>* numbers,
                       ScorePattern** current) {
    int number;
    if (line.words.size() != 2 || !parse_int(line.words[1], &number) || number < 0 || number > 255 ||
        !numbers->insert(number).second)
        return source_error(source, line.number, "pattern NUMBER, each number once");
    if (static_cast<int>(song->patterns.size()) <= number)
        song->patterns.resize(static_cast<size_t>(number) + 1);
    song->patterns[number].assign(SONG_ROWS * SONG_CHANNELS, ScoreCell{0, 0, 0, 0, 0});
    *current = &song->patterns[number];
    return true;
}

}  // namespace

bool read_score(const Source& source, Song* song) {
    int step = 1;
    std::map<int, int> next_row;
    std::set<int> numbers;
    ScorePattern* current = nullptr;
    for (SourceLine line : source.lines) {
        line.words = score_words(line.text);
        const std::string& head = line.words[0];
        int value = 0;
        const bool one_number = line.words.size() == 2 && parse_int(line.words[1], &value);
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
        } else if (head == "echo") {
            if (!read_echo(source, line, song)) return false;
        } else if (head == "pattern") {
            if (!read_pattern_head(source, line, song, &numbers, &current)) return false;
            next_row.clear();
            step = 1;
        } else if (current) {
            if (!read_channel_line(source, line, *song, step, &next_row, current)) return false;
        } else {
            return source_error(source, line.number, "cannot read \"" + line.text + "\"");
        }
    }
    if (song->orders.empty() || song->patterns.empty()) return source_error(source, 0, "no order list or no patterns");
    if (numbers.size() != song->patterns.size())
        return source_error(source, 0, "the patterns must be numbered from 0 without a gap");
    for (uint8_t order : song->orders)
        if (order >= song->patterns.size()) return source_error(source, 0, "the order list names a missing pattern");
    return apply_echoes(source, song);
}
