#pragma once

// The whole run of quelvane-cli: the command line, the configuration, then either one search
// run (CliRun) or a look into the backup store (CliBackups), and the exit status.

#include <core/RawString.h>

namespace QuelvaneCli {

class CliProgram {
public:
    enum ExitStatus : int {
        kFound = 0,    // at least one block was found (or every file was written or restored)
        kNotFound = 1, // no block was found
        kTrouble = 2,  // an error entry was made, a file failed, or the arguments were wrong
    };

    static int Main(int argc, char** argv);

    // The configuration the desktop program would use: the "ConfigFile" named by its program
    // profile (quelvane.ini beside this program, else Quelvane.ini in the user's folder), or
    // that profile itself. Empty when neither profile is there: the defaults apply.
    static RawLayer::RawString DefaultConfigPath();
};

} // namespace QuelvaneCli
