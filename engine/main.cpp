// qlmain: the stress-inversion engine. Without arguments it runs the console
// dialog; any option makes it a batch run, in which the options answer the
// matching questions, nothing pauses and every failure exits non-zero.
#include <CLI/CLI.hpp>
#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/driver.h"

using namespace quillon::engine;

namespace {

// The most threads a run may use: four per hardware thread. Far more would only
// share the same cores, and an absurd count makes the threading runtime itself
// fail (its stack or its allocator), outside any report of the engine's.
int max_threads() {
    const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<int>(std::min(4u * hardware, 4096u));
}

// The leading number of a variable such as OMP_NUM_THREADS ("8" or "8,4").
std::optional<long long> leading_number(const char* text) {
    if (text == nullptr) return std::nullopt;
    while (*text == ' ' || *text == '\t') ++text;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text) return std::nullopt;
    if (errno == ERANGE) return v > 0 ? std::optional<long long>(1LL << 62) : std::nullopt;
    return v;
}

// The stack size the threading runtime gives its threads: OMP_STACKSIZE as a
// number with an optional unit B, K, M or G (kilobytes without one); 0 when it
// is not set or not understood (the system's default then).
std::size_t runtime_stack_size() {
    const char* text = std::getenv("OMP_STACKSIZE");
    if (text == nullptr) return 0;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (end == text || errno == ERANGE) return 0;
    while (*end == ' ') ++end;
    unsigned shift = 10;
    switch (*end) {
    case 'b': case 'B': shift = 0; break;
    case 'k': case 'K': case '\0': shift = 10; break;
    case 'm': case 'M': shift = 20; break;
    case 'g': case 'G': shift = 30; break;
    default: return 0;
    }
    if (v > (~0ULL >> shift)) return ~std::size_t{0};
    return static_cast<std::size_t>(v << shift);
}

void* idle_thread(void*) { return nullptr; }

// Starts (and joins) threads - 1 threads as the runtime will, so that a system
// that cannot give them (process limit, memory limit, an absurd stack size) is
// reported by the engine before the run instead of killing it from inside the
// runtime. Returns the system's reason, or nothing when all started.
std::optional<std::string> probe_threads(int threads) {
    if (threads <= 1) return std::nullopt;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return std::string("cannot prepare a thread");
    const std::size_t stack = runtime_stack_size();
    if (stack != 0) {
        const int e = pthread_attr_setstacksize(&attr, stack);
        if (e != 0) {
            pthread_attr_destroy(&attr);
            return "OMP_STACKSIZE=" + std::string(std::getenv("OMP_STACKSIZE")) + ": " + std::strerror(e);
        }
    }
    std::vector<pthread_t> started;
    std::optional<std::string> failure;
    for (int t = 1; t < threads; ++t) {
        pthread_t id;
        const int e = pthread_create(&id, &attr, idle_thread, nullptr);
        if (e != 0) {
            failure = std::string(std::strerror(e));
            break;
        }
        started.push_back(id);
    }
    for (const pthread_t id : started) pthread_join(id, nullptr);
    pthread_attr_destroy(&attr);
    return failure;
}

}  // namespace

int main(int argc, char** argv) {
    const int thread_limit = max_threads();
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
        app.add_option("--threads", inputs.run_options.threads,
                       "threads of the main loop: 0 (default) all hardware threads, at most " +
                           std::to_string(thread_limit) + " (4 per hardware thread)")
            ->check(CLI::Validator(
                [thread_limit](const std::string& text) -> std::string {
                    long long v = 0;
                    try {
                        std::size_t used = 0;
                        v = std::stoll(text, &used);
                        if (used != text.size()) return text + " is not a whole number";
                    } catch (const std::exception&) {
                        return text + " is not a whole number";
                    }
                    if (v < 0) return text + " is negative; 0 means all hardware threads";
                    if (v > thread_limit)
                        return text + " is more than the " + std::to_string(thread_limit) +
                               " threads this machine allows (4 per hardware thread)";
                    return {};
                },
                "0.." + std::to_string(thread_limit)));
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

    // All hardware threads, unless OMP_NUM_THREADS asks for fewer; more than the
    // limit from OMP_NUM_THREADS is cut to the limit, with a line that says so.
    if (!inputs.run_options.reference_loop && inputs.run_options.threads == 0) {
        const auto from_environment = leading_number(std::getenv("OMP_NUM_THREADS"));
        if (from_environment && *from_environment > thread_limit) {
            console.line("  OMP_NUM_THREADS=" + std::string(std::getenv("OMP_NUM_THREADS")) + " is more than " +
                         std::to_string(thread_limit) + " threads (4 per hardware thread): the run uses " +
                         std::to_string(thread_limit) + ".");
            inputs.run_options.threads = thread_limit;
        }
    }
    if (!inputs.run_options.reference_loop) {
        int threads = inputs.run_options.threads;
        if (threads == 0) {
            const auto from_environment = leading_number(std::getenv("OMP_NUM_THREADS"));
            threads = from_environment && *from_environment > 0
                          ? static_cast<int>(*from_environment)
                          : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        }
        if (const auto failure = probe_threads(threads)) {
            console.line("  *** Cannot start " + std::to_string(threads) + " threads for the main loop (" + *failure +
                         ") --- Execution terminated.");
            console.line("  Fewer threads (--threads) or a smaller OMP_STACKSIZE may serve.");
            console.flush();
            return inputs.batch ? 1 : 0;
        }
    }
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
