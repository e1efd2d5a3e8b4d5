// qlv4: the result viewer.  The command-line modes run without any window or display;
// otherwise the windows open.
#include <iostream>

#include "viewer/cli/cli.h"
#ifdef QUILLON_HAVE_GUI
#include "viewer/windows/data_picture_command.h"
#include "viewer/windows/run_gui.h"
#endif

int main(int argc, char** argv) {
    using namespace quillon::viewer;
#ifdef QUILLON_HAVE_GUI
    if (dataPictureMode(argc, argv) != 0) return runDataPictureCommand(argc, argv);
    if (isExportMode(argc, argv)) return runExport(argc, argv);
#endif
    if (isCommandLineMode(argc, argv))
        return runCommandLine(argc, argv, std::cout, std::cerr, programDirectory());
#ifdef QUILLON_HAVE_GUI
    return runGui(argc, argv);
#else
    std::cout << "qlv4: this build has no windows; qlv4 --help lists the command line.\n";
    return 0;
#endif
}
