// qlv4 --solutions RESULT [--csv OUT] [--home DIR] [--resamples N] [--seed S]
// The stress solutions of a result (clusters of the votes, each refined off the grid
// with bootstrap limits) as a table, and optionally as CSV.
#pragma once

#include <ostream>
#include <string>

namespace quillon::viewer {

// True when the arguments hold --solutions (or --solutions=...).
bool isSolutionsMode(int argc, char** argv);

// Runs the mode; returns the exit status (0 success, 1 a failure, CLI11's codes for
// malformed arguments).  The table goes to `out`, failures to `err`.
int runSolutionsCommand(int argc, char** argv, std::ostream& out, std::ostream& err,
                        const std::string& programDir);

}  // namespace quillon::viewer
