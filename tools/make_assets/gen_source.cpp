// Reading the editable sources: lines split into words, "#" starts a comment,
// and errors name the file and line so a slip in a source is easy to find.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include "tools/make_assets/asset_gen.h"

bool read_source(const std::string& path, Source* source) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open\n", path.c_str());
        return false;
    }
    source->path = path;
    source->lines.clear();
    source->raw.clear();
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        number++;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        source->raw.push_back(text);
        std::istringstream words(text.substr(0, text.find('#')));
        SourceLine line{number, {}, text};
        for (std::string word; words >> word;) line.words.push_back(word);
        if (!line.words.empty()) source->lines.push_back(line);
    }
    return true;
}

bool source_error(const Source& source, int line, const std::string& message) {
    std::fprintf(stderr, "%s:%d: %s\n", source.path.c_str(), line, message.c_str());
    return false;
}

bool parse_int(const std::string& word, int* value) {
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno != 0 || parsed < -1000000 || parsed > 1000000)
        return false;
    *value = static_cast<int>(parsed);
    return true;
}

bool parse_number(const std::string& word, double* value) {
    char* end = nullptr;
    double parsed = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || !(parsed > -100000.0 && parsed < 100000.0)) return false;
    *value = parsed;
    return true;
}
