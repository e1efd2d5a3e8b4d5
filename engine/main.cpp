// qlmain: the stress-inversion engine. Without arguments it runs the console
// dialog; any option makes it a batch run, in which the options answer the
// matching questions, nothing pauses and every failure exits non-zero.
#include <CLI/CLI.hpp>

#include <csignal>
#include <exception>
#include <iostream>
#include <new>

#include "engine/driver.h"

using namespace quillon::engine;

int main(int argc, char** argv) {
    DriverInputs inputs;
    inputs.batch = argc > 1;
    if (inputs.batch) {
        CLI::App app{"qlmain: stress inversion by the votes of k-element data subsets"};
        std::string data, result, main_loop;
        int data_class = 0, k = 0;
        auto* o_data = app.add_option("--data", data, "fault-slip data file (answers the open prompt)");
        auto* o_result = app.add_option("--result", result, "result file (answers the save prompt)");
        auto* o_class = app.add_option("--class", data_class, "1: geological faults, 2: focal mechanisms")
                            ->check(CLI::Range(1, 2));
        auto* o_k = app.add_option("-k", k, "subset size: 3 to 8 for faults, 4 or 5 for focal mechanisms")
                        ->check(CLI::Range(3, 8));
        app.add_flag("--overwrite", inputs.overwrite, "replace an existing result file without asking");
        app.add_option("--threads", inputs.run_options.threads, "threads of the main loop (0: all)")
            ->check(CLI::NonNegativeNumber);
        app.add_option("--main-loop", main_loop, "main loop: fast (default) or reference")
            ->check(CLI::IsMember({"reference", "fast"}));
        try {
            app.parse(argc, argv);
        } catch (const CLI::ParseError& e) {
            return app.exit(e);
        }
        if (*o_data) inputs.data_path = data;
        if (*o_result) inputs.result_path = result;
        if (*o_class) inputs.data_class = data_class;
        if (*o_k) inputs.k = k;
        inputs.run_options.reference_loop = main_loop == "reference";
    }

    // A file-size limit then fails the result write, which is reported, instead
    // of killing the program.
    std::signal(SIGXFSZ, SIG_IGN);

    Console console(std::cin, std::cout);
    // The interactive program ends with status 0 on every stop; a batch run
    // tells a script about every failure.
    const int failure_status = inputs.batch ? 1 : 0;
    try {
        run_driver(console, inputs);
        console.flush();
        return 0;
    } catch (const ErrorStop& e) {
        // The run's tables and files were released while the exception unwound.
        report_error_stop(console, e, !inputs.batch);
        return failure_status;
    } catch (const ProgramStop& s) {
        if (s.wait_for_line() && !inputs.batch) console.read_line();
        console.flush();
        return s.failure() ? failure_status : 0;
    } catch (const std::bad_alloc&) {
        console.line("  *** Out of memory --- Execution terminated.");
        console.flush();
        return 1;
    } catch (const std::exception& e) {
        console.line(std::string("  *** Unexpected error: ") + e.what() + " --- Execution terminated.");
        console.flush();
        return 1;
    }
}
