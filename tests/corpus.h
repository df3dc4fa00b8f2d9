// The real modules of the shared corpus lie beside the repository, not in it.
// A clone without them skips what reads them, with a word; where
// BSA_REQUIRE_CORPUS is set (CI sets it) their absence is a failure.
#pragma once
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <cstdlib>
#include <string>

inline std::string corpus_dir() { return BSA_SOURCE_DIR "/../shared/corpus"; }

inline bool corpus_present() {
    struct stat info;
    return stat(corpus_dir().c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// For a part of a test: true when the corpus is there; otherwise a failure
// where it is required, else a word that the part is skipped.
inline bool corpus_available() {
    if (corpus_present()) return true;
    if (std::getenv("BSA_REQUIRE_CORPUS")) {
        ADD_FAILURE() << "no corpus at " << corpus_dir();
    } else {
        std::printf("no corpus at %s: its part of the test is skipped\n", corpus_dir().c_str());
    }
    return false;
}

// For a whole test.
#define REQUIRE_CORPUS()                                                                                 \
    do {                                                                                                 \
        if (!corpus_present()) {                                                                         \
            if (std::getenv("BSA_REQUIRE_CORPUS")) FAIL() << "no corpus at " << corpus_dir();            \
            GTEST_SKIP() << "no corpus at " << corpus_dir() << " (the shared folder beside the clone)"; \
        }                                                                                                \
    } while (0)
