// Parsing the arguments of one of qlv4's command-line modes.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>

#include "viewer/cli/cli.h"

namespace quillon::viewer {

// Parses argc/argv with `app`. Returns the exit status when the program ends
// here: 0 after printing the help (asked for anywhere among the arguments), or
// the parser's status after reporting malformed arguments on `err`; nothing
// when the mode should run.
inline std::optional<int> parseModeArguments(CLI::App& app, int argc, char** argv, std::ostream& out,
                                             std::ostream& err) {
    if (asksForHelp(argc, argv)) {
        out << app.help();
        return 0;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err);
    }
    return std::nullopt;
}

}  // namespace quillon::viewer
