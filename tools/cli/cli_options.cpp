// The option table of a command-line tool: parsing in the usual getopt
// style, the help text made from the same table, and number arguments.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "tools/cli/cli.h"

static const CliOption* find_long(const std::vector<CliOption>& table, const std::string& name) {
    for (const CliOption& o : table)
        if (o.long_name && name == o.long_name) return &o;
    return nullptr;
}

static const CliOption* find_short(const std::vector<CliOption>& table, char name) {
    for (const CliOption& o : table)
        if (o.short_name && o.short_name == name) return &o;
    return nullptr;
}

bool cli_parse(int argc, char** argv, const std::vector<CliOption>& table, CliParsed* parsed,
               std::string* error) {
    bool options_end = false;
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        if (options_end || arg[0] != '-' || arg[1] == '\0') {
            parsed->operands.push_back(arg);
            continue;
        }
        if (std::strcmp(arg, "--") == 0) {
            options_end = true;
            continue;
        }
        if (arg[1] == '-') {
            const char* equals = std::strchr(arg, '=');
            const std::string name = equals ? std::string(arg + 2, equals) : std::string(arg + 2);
            const CliOption* o = find_long(table, name);
            if (!o) {
                *error = "unknown option --" + name;
                return false;
            }
            const char* value = nullptr;
            if (o->argument) {
                if (equals) value = equals + 1;
                else if (i + 1 < argc) value = argv[++i];
                else {
                    *error = "--" + name + " needs a value (" + o->argument + ")";
                    return false;
                }
            } else if (equals) {
                *error = "--" + name + " takes no value";
                return false;
            }
            parsed->options.emplace_back(o, value);
            continue;
        }
        // Short options, bundled; one taking a value takes the rest of the word or the next.
        for (const char* p = arg + 1; *p; p++) {
            const CliOption* o = find_short(table, *p);
            if (!o) {
                *error = std::string("unknown option -") + *p;
                return false;
            }
            if (!o->argument) {
                parsed->options.emplace_back(o, nullptr);
                continue;
            }
            const char* value = p[1] ? p + 1 : (i + 1 < argc ? argv[++i] : nullptr);
            if (!value) {
                *error = std::string("-") + *p + " needs a value (" + o->argument + ")";
                return false;
            }
            parsed->options.emplace_back(o, value);
            break;
        }
    }
    return true;
}

void cli_help(std::FILE* out, const char* usage, const std::vector<CliOption>& table, const char* details) {
    std::fprintf(out, "%s\nOptions:\n", usage);
    for (const CliOption& o : table) {
        std::string left = o.short_name ? std::string("-") + o.short_name + ", " : "    ";
        left += std::string("--") + o.long_name;
        if (o.argument) left += std::string(" ") + o.argument;
        std::fprintf(out, "  %-24s %s\n", left.c_str(), o.help);
    }
    if (details && *details) std::fprintf(out, "\n%s", details);
}

void cli_version(const char* program) { std::printf("%s (Bramzeil Strikes Air) 1.0\n", program); }

bool cli_number(const char* text, double least, double most, double* value) {
    if (!text || !*text) return false;
    char* rest = nullptr;
    errno = 0;
    const double v = std::strtod(text, &rest);
    if (rest == text || *rest != '\0' || errno != 0 || !std::isfinite(v) || v < least || v > most) return false;
    *value = v;
    return true;
}

bool cli_whole_number(const char* text, int32_t least, int32_t most, int32_t* value) {
    double v = 0.0;
    if (!cli_number(text, least, most, &v) || v != std::floor(v)) return false;
    *value = static_cast<int32_t>(v);
    return true;
}

int cli_usage_error(const char* program, const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program, message.c_str(), program);
    return 2;
}

std::string cli_duration(double seconds) {
    const int64_t ms = static_cast<int64_t>(std::llround(seconds * 1000.0));
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return text;
}
