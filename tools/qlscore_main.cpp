// qlscore: writes the misfit score table qln_array.txt (score 100 cos(misfit)).
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "tools/score_table.h"
#include "tools/text_file.h"

int main(int argc, char** argv) {
    std::string output = "qln_array.txt";
    CLI::App app{"qlscore: writes the misfit score table (181 scores 100 cos(misfit) + 100, then the label)"};
    app.add_option("-o,--output", output, "file to write");
    CLI11_PARSE(app, argc, argv);
    std::string error;
    if (!quillon::tools::write_text_file(output, quillon::tools::format_score_table(), error)) {
        std::cerr << "qlscore: " << error << "\n";
        return 1;
    }
    return 0;
}
