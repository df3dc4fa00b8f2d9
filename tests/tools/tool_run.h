// Runs the built command-line tools for their tests: a command line through
// the shell, its exit status and what it wrote on each stream, in a scratch
// folder of its own.
#pragma once
#include <sys/wait.h>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct ToolRun {
    int status;       // exit status, or 128 + signal
    std::string out;  // standard output
    std::string err;  // standard error
};

inline std::string tool_read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void tool_write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh, empty folder under the build tree for one test.
inline std::string tool_scratch(const std::string& name) {
    const std::string dir = std::string(BSA_BINARY_DIR) + "/tests/scratch_" + name;
    std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
    return dir;
}

// Runs `command` (a shell command line) in `dir`.
inline ToolRun tool_run(const std::string& dir, const std::string& command) {
    const std::string out = dir + "/.stdout", err = dir + "/.stderr";
    const int raw = std::system(("cd '" + dir + "' && { " + command + "; } > .stdout 2> .stderr").c_str());
    ToolRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    r.out = tool_read(out);
    r.err = tool_read(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return r;
}

// The files in `dir`, sorted, hidden ones left out.
inline std::string tool_listing(const std::string& dir) {
    const std::string list = dir + "/.list";
    std::system(("ls '" + dir + "' > '" + list + "'").c_str());
    std::string names = tool_read(list);
    std::remove(list.c_str());
    return names;
}
