// The command line of qlv4: the viewer's statistics and coordinate files without any
// window or display.
//
//   qlv4 --average RESULT [--ef N] [--sr LO HI] [--home DIR]
//   qlv4 --theta "AZ1 PL1 AZ3 PL3 PHI" "AZ1 PL1 AZ3 PL3 PHI"
//   qlv4 --coordinates RESULT OUT --kind 0|1 [--ef N] [--sr LO HI] [--home DIR]
//   qlv4 --misfits RESULT --stress "AZ1 PL1 AZ3 PL3 PHI" [OUT] [--home DIR]
//   qlv4 --solutions RESULT [--csv OUT] [--home DIR] [--resamples N] [--seed S]
//
// The picture modes (--export, --export-data, --export-mohr) need the drawing
// layers and live with the windows; their usage is in this help's footer too.
//
// Grids are read from the program's directory, as the windows read them, unless
// --home names another directory.
#pragma once

#include <optional>

#include <ostream>
#include <string>

namespace quillon::viewer {

// True when the arguments ask for a command-line mode (or its help) rather than the windows.
bool isCommandLineMode(int argc, char** argv);

// For the windowed program: the first argument that is an option but neither one of
// the toolkit's own (-platform, -style, ... with their values) nor a result file;
// nothing when every argument is accepted.
std::optional<std::string> unknownWindowOption(int argc, char** argv);

// True when any argument is "--help" or "-h": a mode's help is then printed
// whatever else is given (or missing), as its parser would stop at the first
// missing value before reaching the help flag.
bool asksForHelp(int argc, char** argv);

// Runs the command line; returns the exit status (0 success, 1 a failure of the
// command, CLI11's codes for malformed arguments).  Texts go to `out`, failures to `err`.
int runCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err,
                   const std::string& programDir);

// The directory of the running program (from /proc/self/exe), ending with "/".
std::string programDirectory();

}  // namespace quillon::viewer
