#include "viewer/windows/data_picture_command.h"

#include <CLI/CLI.hpp>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <string_view>

#include "viewer/cli/cli.h"
#include "viewer/cli/mode_arguments.h"
#include "viewer/cli/misfits_command.h"
#include "viewer/model/data_listing.h"
#include "viewer/plot/fault_plot.h"
#include "viewer/plot/mohr_plot.h"
#include "viewer/windows/plot_export.h"

namespace quillon::viewer {

int dataPictureMode(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--export-data") return 1;
        if (a == "--export-mohr") return 2;
    }
    return 0;
}

int runDataPictureCommand(int argc, char** argv) {
    const bool mohr = dataPictureMode(argc, argv) == 2;
    CLI::App app{mohr ? "qlv4 --export-mohr: the Mohr diagram of RESULT's data under a stress state"
                      : "qlv4 --export-data: the data stereonet of RESULT"};
    app.name(mohr ? "qlv4 --export-mohr" : "qlv4 --export-data");
    std::vector<std::string> files;
    std::string stressText, home;
    bool tld = false, equalArea = false;
    app.add_option(mohr ? "--export-mohr" : "--export-data", files, "RESULT and OUT")
        ->expected(2)
        ->type_name("RESULT OUT")
        ->required();
    auto* stressOption = app.add_option("--stress", stressText, "The stress state \"AZ1 PL1 AZ3 PL3 PHI\"")
                             ->type_name("STATE");
    if (mohr) stressOption->required();
    if (!mohr) {
        app.add_flag("--tld", tld, "Tangent-lineation diagram instead of slip vectors on great circles");
        app.add_flag("--equal-area", equalArea, "Equal-area (Schmidt) instead of equal-angle (Wulff) projection");
    }
    app.add_option("--home", home, "Directory holding the CGP grids (default: the program's directory)")
        ->type_name("DIR");
    app.footer("OUT's extension picks the format: .png .bmp .jpg bitmaps, .svg .pdf vector pictures, anything\n"
               "else an enhanced metafile.  The file is written whole or not at all.");
    if (const auto status = parseModeArguments(app, argc, argv, std::cout, std::cerr)) return *status;
    std::string error;
    std::optional<StressState> stress;
    if (!stressText.empty()) {
        stress = parseStressState(stressText, error);
        if (!stress) {
            std::cerr << error << '\n';
            return 1;
        }
    }
    ResultModel model;
    FaultDataSet data;
    if (!loadResultData(model, data, files[0], home.empty() ? programDirectory() : home, error)) {
        std::cerr << error << '\n';
        return 1;
    }
    std::error_code ec;
    if (std::filesystem::exists(files[1], ec) && std::filesystem::equivalent(files[1], files[0], ec)) {
        std::cerr << "The output file " << files[1] << " is the result file; nothing was written.\n";
        return 1;
    }
    const NetProjection projection = equalArea ? NetProjection::EqualArea : NetProjection::EqualAngle;
    std::vector<FaultDatum> modelPlanes = modelPlaneGrid(projection, kDataNetSize);
    if (stress) {
        designateStress(data, *stress);
        computeModelPlaneSlips(modelPlanes, reducedStressTensor(stress->axis[Sigma1], stress->axis[Sigma3],
                                                                stress->stressRatio));
    }

    // Nothing is shown: the offscreen platform needs no display.
    std::signal(SIGXFSZ, SIG_IGN);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication qt(qtArgc, qtArgv);

    const QString out = QString::fromStdString(files[1]);
    PictureOutcome written;
    if (mohr) {
        written = writePicture(out, pictureFormatFor(out, true), QSize(kMohrWidth, kMohrHeight),
                               [&](QPainter& p) { drawMohrDiagram(p, data, stress->stressRatio); });
    } else {
        DataNetScene scene;
        scene.data = &data;
        scene.method = tld ? PlotMethod::TangentLineation : PlotMethod::GreatCircle;
        scene.projection = projection;
        scene.stress = stress;
        scene.modelPlanes = &modelPlanes;
        written = writePicture(out, pictureFormatFor(out, true), QSize(kDataNetSize, kDataNetSize),
                               [&](QPainter& p) {
                                   p.fillRect(QRect(0, 0, kDataNetSize, kDataNetSize), Qt::white);
                                   drawDataNet(p, scene);
                               });
    }
    if (!written.ok) {
        QString message = written.message;
        std::cerr << message.replace("\r\n", "\n").toStdString() << '\n';
        return 1;
    }
    std::cout << "Picture written to " << files[1] << '\n';
    return 0;
}

}  // namespace quillon::viewer
