// What the command-line tools share: an option table that both parses the
// command line and writes the --help text, number arguments, a progress
// bar on the terminal, and output files put in place only when complete.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// ---- options ----

struct CliOption {
    char short_name;       // 0: long form only
    const char* long_name;
    const char* argument;  // the value's name in the help; null: a switch
    const char* help;
};

struct CliParsed {
    std::vector<std::pair<const CliOption*, const char*>> options;  // in command-line order; value null for a switch
    std::vector<const char*> operands;                              // "-" is an operand
};

// Parses the arguments after argv[0]: "-r 48000", "-r48000", "--rate 48000",
// "--rate=48000", switches bundled as "-qi", and everything after "--" as
// operands. False with a one-line reason for an unknown option or a value missing.
bool cli_parse(int argc, char** argv, const std::vector<CliOption>& table, CliParsed* parsed,
               std::string* error);
// The help: usage line(s), then one line per option, then `details`.
void cli_help(std::FILE* out, const char* usage, const std::vector<CliOption>& table, const char* details);
// "NAME (Bramzeil Strikes Air) VERSION" on stdout.
void cli_version(const char* program);

// A decimal number within [least, most]; false for anything else, trailing text included.
bool cli_number(const char* text, double least, double most, double* value);
// The same for a whole number.
bool cli_whole_number(const char* text, int32_t least, int32_t most, int32_t* value);
// "PROGRAM: MESSAGE" and where to find help, on stderr; returns 2, the exit
// status of a wrong command line.
int cli_usage_error(const char* program, const std::string& message);

// ---- progress on a terminal ----

struct CliProgress {
    bool shown;          // stderr is a terminal and the user did not ask for quiet
    double started;      // seconds on the monotonic clock
    double last_drawn;
};
void progress_begin(CliProgress* progress, bool wanted);
// Redraws at most ten times a second: the bar, the percentage done and how
// many times faster than real time `media_seconds` were made.
void progress_show(CliProgress* progress, double fraction, double media_seconds);
// Clears the line again.
void progress_end(CliProgress* progress);
// Seconds on the monotonic clock.
double cli_clock();

// ---- output files ----

// A file written under a temporary name beside its final one and renamed
// into place by output_commit, so that a failed or interrupted run leaves
// nothing half written. "-" is standard output; a device or a pipe named
// is written in place.
struct CliOutput {
    std::string path;       // the file replaced in the end (through a link, the file it names)
    std::string temporary;
    std::FILE* file;
    bool is_stdout;
    bool in_place;          // no temporary file, nothing to rename
};
// False with the reason ("cannot create: ...") when the file cannot be made.
bool output_open(CliOutput* output, const char* path, std::string* error);
// Flushes and closes, then renames into place; false with the reason. A
// caller may close the file and let another program write the temporary.
bool output_commit(CliOutput* output, std::string* error);
// Removes the temporary file, if any.
void output_discard(CliOutput* output);
// True when both paths name one existing file.
bool cli_same_file(const char* a, const char* b);

// Set by SIGINT, SIGTERM and SIGHUP once cli_catch_signals has run; long
// loops look at it and clean up before they end.
extern volatile int cli_interrupted;
void cli_catch_signals();

// "m:ss.mmm"
std::string cli_duration(double seconds);
