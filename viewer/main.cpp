// qlv4: the result viewer.  The command-line modes run without any window or display;
// otherwise the windows open.
#include <iostream>

#include "viewer/cli/cli.h"
#ifdef QUILLON_HAVE_GUI
#include "viewer/windows/run_gui.h"
#endif

int main(int argc, char** argv) {
    using namespace quillon::viewer;
#ifdef QUILLON_HAVE_GUI
    if (IsExportMode(argc, argv)) return run_export(argc, argv);
#endif
    if (IsCommandLineMode(argc, argv))
        return RunCommandLine(argc, argv, std::cout, std::cerr, ProgramDirectory());
#ifdef QUILLON_HAVE_GUI
    return run_gui(argc, argv);
#else
    std::cout << "qlv4: this build has no windows; qlv4 --help lists the command line.\n";
    return 0;
#endif
}
