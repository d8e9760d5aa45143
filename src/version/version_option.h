#pragma once

#include "vorlant_version.h"

#include <cstdio>
#include <cstring>

// Every program answers --version with "<program> <version>" and exits 0.
// Checked on the raw arguments, before any application object exists, so it
// works without a display.
inline bool answerVersion(const char *program, int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", program, kProgramVersion);
            std::fflush(stdout);
            return true;
        }
    }
    return false;
}
