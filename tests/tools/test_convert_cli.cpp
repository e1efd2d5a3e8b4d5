// The built qlconvert: mechanisms made from known stresses come out of it with
// zero misfit in the engine's own computation; a catalogue export goes to .fmd
// and back; every failure exits non-zero, names file, line and column, and
// leaves no output file behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/core/kernels.h"
#include "engine/io/data_file.h"
#include "temp_path.h"

namespace qe = quillon::engine;
namespace fs = std::filesystem;

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;
using V3 = std::array<double, 3>;

std::string read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A private directory for one test; qlconvert runs with it as working directory.
class Dir {
public:
    explicit Dir(const std::string& name) : root_(quillon::test::private_temp_path(name)) {
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    ~Dir() { fs::remove_all(root_); }
    fs::path operator/(const std::string& name) const { return root_ / name; }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(root_ / name, std::ios::binary) << text;
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(root_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    struct Result {
        int status;
        std::string out, err;
    };
    Result qlconvert(const std::string& args) const {
        const std::string command = "cd '" + root_.string() + "' && '" + QLCONVERT_PATH + "' " + args +
                                    " > stdout.txt 2> stderr.txt";
        const int raw = std::system(command.c_str());
        Result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_all(root_ / "stdout.txt"),
                 read_all(root_ / "stderr.txt")};
        fs::remove(root_ / "stdout.txt");
        fs::remove(root_ / "stderr.txt");
        return r;
    }

private:
    fs::path root_;
};

std::vector<qe::FaultDatum> engine_data(const fs::path& path) {
    qe::EngineTables tables;
    tables.data_path = path.string();
    qe::read_data_file(tables);
    qe::prepare_fault_data(tables.fault_data);
    return tables.fault_data;
}

V3 direction(double az, double pl) {
    return {std::cos(pl * kDeg) * std::sin(az * kDeg), std::cos(pl * kDeg) * std::cos(az * kDeg), -std::sin(pl * kDeg)};
}
double dot3(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

struct Stress {
    double az1, pl1, az3, pl3, phi;
};

// Parses CSV rows of numbers after a header line.
std::vector<std::vector<double>> csv_rows(const std::string& text) {
    std::vector<std::vector<double>> rows;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream fields(line);
        std::string f;
        while (std::getline(fields, f, ',')) row.push_back(std::strtod(f.c_str(), nullptr));
        rows.push_back(row);
    }
    return rows;
}

double angle_diff(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

// Same plane and slip, allowing a vertical plane written from its other side.
double sdr_difference(double s1, double d1, double r1, double s2, double d2, double r2) {
    const double direct = std::max({angle_diff(s1, s2), std::fabs(d1 - d2), angle_diff(r1, r2)});
    if (std::fabs(d1 - 90) > 0.1 || std::fabs(d2 - 90) > 0.1) return direct;
    return std::min(direct, std::max({angle_diff(s1 + 180, s2), std::fabs(d1 - d2), angle_diff(-r1, r2)}));
}

}  // namespace

TEST(ConvertCli, HelpListsEveryOption) {
    Dir dir("convert-help");
    const auto r = dir.qlconvert("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* item : {"IN", "OUT", "--from", "sdr", "ddr", "native", "--columns", "--help", ".fdt", ".fmd",
                             ".csv", "horizontal plane"})
        EXPECT_NE(r.out.find(item), std::string::npos) << item << "\n" << r.out;
}

TEST(ConvertCli, MechanismsFromAKnownStressHaveZeroMisfitInTheEngine) {
    // Independent of the tools: the reduced tensor e1 e1^T + Phi e2 e2^T, the
    // shear traction on the downward normal as the hanging wall's motion, and
    // strike/dip/rake by the textbook formulas.
    const Stress stresses[] = {
        {0, 90, 0, 0, 0.5},     // normal faulting
        {0, 0, 0, 90, 0.5},     // reverse faulting
        {45, 0, 135, 0, 0.5},   // strike-slip
        {300, 12, 120, 78, 0.1},
        {70, 60, 250, 30, 0.9},
    };
    std::mt19937 rng(17);
    std::normal_distribution<double> gauss;
    Dir dir("convert-engine");
    int aux_fitting = 0, mechanisms = 0;
    for (const Stress& st : stresses) {
        SCOPED_TRACE(std::to_string(st.az1) + "/" + std::to_string(st.pl1) + " " + std::to_string(st.az3) + "/" +
                     std::to_string(st.pl3) + " " + std::to_string(st.phi));
        const V3 e1 = direction(st.az1, st.pl1), e3 = direction(st.az3, st.pl3);
        const V3 e2{e3[1] * e1[2] - e3[2] * e1[1], e3[2] * e1[0] - e3[0] * e1[2], e3[0] * e1[1] - e3[1] * e1[0]};
        double t[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) t[i][j] = e1[i] * e1[j] + st.phi * e2[i] * e2[j];

        std::string csv = "# made from a known stress\nid,strike,dip,rake\n";
        std::vector<std::array<double, 3>> given;
        while (given.size() < 200) {
            V3 n{gauss(rng), gauss(rng), gauss(rng)};
            const double len = std::sqrt(dot3(n, n));
            if (len < 1e-9) continue;
            for (double& c : n) c /= n[2] > 0 ? -len : len;  // the downward normal
            V3 traction{};
            for (int i = 0; i < 3; ++i) traction[i] = t[i][0] * n[0] + t[i][1] * n[1] + t[i][2] * n[2];
            const double tn = dot3(traction, n);
            V3 s{traction[0] - tn * n[0], traction[1] - tn * n[1], traction[2] - tn * n[2]};
            const double shear = std::sqrt(dot3(s, s));
            if (shear < 0.05) continue;  // hardly slips; its slip direction is ill-defined
            for (double& c : s) c /= shear;
            // Upward normal (sin d cos p, -sin d sin p, cos d) gives dip and strike.
            const double dip = std::acos(-n[2]) / kDeg;
            const double strike = std::atan2(n[1], -n[0]) / kDeg;
            // Rake: sin = up component / sin dip, cos = component along the strike.
            const double along = s[0] * std::sin(strike * kDeg) + s[1] * std::cos(strike * kDeg);
            const double rake = std::atan2(s[2] / std::sin(dip * kDeg), along) / kDeg;
            given.push_back({strike, dip, rake});
            // Catalogues write azimuths and rakes in many ranges.
            const int k = static_cast<int>(given.size());
            const double in_range = strike < 0 ? strike + 360 : strike;
            const double written_strike = k % 7 == 0 ? in_range + 360 : in_range;
            const double written_rake = k % 3 == 0 && rake < 0 ? rake + 360 : rake;
            char buf[128];
            std::snprintf(buf, sizeof buf, "m%d,%.4f,%.4f,%.4f\n", k, written_strike, dip, written_rake);
            csv += buf;
        }
        dir.write("known.csv", csv);
        const auto fdt = dir.qlconvert("known.csv known.fdt");
        ASSERT_EQ(fdt.status, 0) << fdt.err;
        std::string wrapped;  // data line k sits on file line k + 2
        for (int k = 7; k <= 200; k += 7) wrapped += (wrapped.empty() ? "" : ", ") + std::to_string(k + 2);
        EXPECT_EQ(fdt.err, "qlconvert: warning: known.csv: azimuths outside 0 to 360 brought into range on lines " +
                               wrapped + "\n");
        const auto fmd = dir.qlconvert("known.csv known.fmd");
        ASSERT_EQ(fmd.status, 0) << fmd.err;

        const qe::Tensor3f tensor = qe::stress_state_tensor(
            static_cast<float>(st.az1) * qe::kDegToRad, static_cast<float>(st.pl1) * qe::kDegToRad,
            static_cast<float>(st.az3) * qe::kDegToRad, static_cast<float>(st.pl3) * qe::kDegToRad,
            static_cast<float>(st.phi));
        const auto faults = engine_data(dir / "known.fdt");
        const auto planes = engine_data(dir / "known.fmd");
        ASSERT_EQ(faults.size(), given.size());
        ASSERT_EQ(planes.size(), 2 * given.size());
        for (std::size_t i = 0; i < given.size(); ++i) {
            // The plane that slipped fits its stress: .fdt line i, .fmd line 2i - 1.
            EXPECT_LT(qe::misfit_degrees(tensor, faults[i]), 0.1) << "fault " << i + 1;
            EXPECT_EQ(qe::nint(qe::misfit_degrees(tensor, faults[i])), 0) << "fault " << i + 1;
            EXPECT_LT(qe::misfit_degrees(tensor, planes[2 * i]), 0.1) << "mechanism " << i + 1;
            // The auxiliary plane did not slip; the stress generally drives it
            // another way, so its misfit is not 0 (counted below).
            aux_fitting += qe::misfit_degrees(tensor, planes[2 * i + 1]) < 1.0;
            ++mechanisms;
        }

        // And back: .fmd -> CSV returns the given planes within 0.1 degrees.
        const auto back = dir.qlconvert("known.fmd back.csv");
        ASSERT_EQ(back.status, 0) << back.err;
        const auto rows = csv_rows(read_all(dir / "back.csv"));
        ASSERT_EQ(rows.size(), given.size());
        for (std::size_t i = 0; i < given.size(); ++i)
            EXPECT_LT(sdr_difference(rows[i][0], rows[i][1], rows[i][2], given[i][0], given[i][1], given[i][2]), 0.1)
                << "mechanism " << i + 1;
    }
    // The auxiliary plane fits only in special cases: when the slip lies in the
    // plane of sigma1 and sigma3 the auxiliary plane is the conjugate plane, which
    // the same stress drives the same way (about 2 % of these mechanisms).
    EXPECT_LT(aux_fitting, mechanisms / 20) << aux_fitting << " of " << mechanisms;
}

TEST(ConvertCli, CatalogueExportGoesToFmdWithTheCataloguesOwnAuxiliaryPlanes) {
    Dir dir("convert-catalogue");
    fs::copy_file(fs::path(QUILLON_FIXTURES_DIR) / "tools" / "catalogue.csv", dir / "catalogue.csv");
    const auto r = dir.qlconvert("catalogue.csv events.fmd");
    ASSERT_EQ(r.status, 0) << r.err;
    // Two strikes (432-style) were out of range: one warning line naming them.
    EXPECT_EQ(r.err, "qlconvert: warning: catalogue.csv: azimuths outside 0 to 360 brought into range on lines 5, 8\n");
    const std::string fmd = read_all(dir / "events.fmd");
    EXPECT_EQ(std::count(fmd.begin(), fmd.end(), '\n'), 18);
    EXPECT_EQ(std::count(fmd.begin(), fmd.end(), '\r'), 18);  // CR LF line ends

    const auto back = dir.qlconvert("events.fmd events.csv");
    ASSERT_EQ(back.status, 0) << back.err;
    const auto rows = csv_rows(read_all(dir / "events.csv"));
    const auto catalogue = csv_rows(read_all(dir / "catalogue.csv"));  // the comment line parses as zeros
    ASSERT_EQ(rows.size(), 9u);
    ASSERT_EQ(catalogue.size(), 10u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& c = catalogue[i + 1];
        ASSERT_EQ(rows[i].size(), 6u);
        // Plane 1 as given (azimuths and rakes in any range), plane 2 the catalogue's.
        EXPECT_LT(sdr_difference(rows[i][0], rows[i][1], rows[i][2], c[6], c[7], c[8]), 0.1) << i;
        EXPECT_LT(sdr_difference(rows[i][3], rows[i][4], rows[i][5], c[9], c[10], c[11]), 0.1) << i;
    }
}

TEST(ConvertCli, FailuresExitNonZeroNameTheLineAndWriteNothing) {
    struct Case {
        const char* what;
        const char* input_name;
        const char* input;
        const char* args;
        const char* message;
    } cases[] = {
        {"non-numeric value", "in.csv", "strike,dip,rake\n10,50,10\n10,fifty,10\n", "in.csv out.fdt",
         "qlconvert: in.csv, line 3, column 2 (dip): 'fifty' is not a number"},
        {"dip outside 0 to 90", "in.csv", "strike,dip,rake\n10,91,10\n", "in.csv out.fmd", "line 2, column 2 (dip): dip 91"},
        {"rake outside its range", "in.csv", "strike,dip,rake\n10,50,400\n", "in.csv out.fdt",
         "line 2, column 3 (rake): rake 400"},
        {"missing column", "in.csv", "strike dip rake\n10 50\n", "in.csv out.fdt", "line 2, column 3 (rake): missing value"},
        {"missing column picked by --columns", "in.txt", "1 2 3\n4 5\n", "in.txt out.fdt --from ddr --columns 1,2,3",
         "in.txt, line 2, column 3 (rake): missing value"},
        {"no convention", "in.txt", "10 50 10\n", "in.txt out.fdt", "give --from"},
        {"odd number of nodal planes", "in.fmd", "90 60 90 60 N\n270 30 270 30 N\n90 30 90 30 R\n", "in.fmd out.csv",
         "in.fmd, line 3: the last mechanism has one nodal plane only"},
        {"bad sense in a data file", "in.fdt", "90 60 90 60 N\n90 60 90 60 Q\n", "in.fdt out.csv",
         "in.fdt, line 2, column 5 (sense)"},
        {"focal file to .fdt", "in.fmd", "90 60 90 60 N\n270 30 270 30 N\n", "in.fmd out.fdt", "converts to .csv only"},
        {"unknown output type", "in.csv", "strike,dip,rake\n10,50,10\n", "in.csv out.txt",
         "out.txt: the output file must end in .fdt, .fmd or .csv"},
        {"missing input", "other.csv", "", "in.csv out.fdt", "in.csv: no such file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Dir dir("convert-fail");
        dir.write(c.input_name, c.input);
        const auto before = dir.files();
        const auto r = dir.qlconvert(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(dir.files(), before);  // no output, no temporary file
    }
    // An existing output file is kept as it was.
    Dir dir("convert-keep");
    dir.write("in.csv", "strike,dip,rake\n10,50,10\n10,50,x\n");
    dir.write("out.fdt", "90 60 90 60 N\r\n");
    EXPECT_EQ(dir.qlconvert("in.csv out.fdt").status, 1);
    EXPECT_EQ(read_all(dir / "out.fdt"), "90 60 90 60 N\r\n");
    // The input itself is never the output.
    dir.write("data.csv", "strike,dip,rake\n10,50,10\n");
    const auto same = dir.qlconvert("data.csv ./data.csv");
    EXPECT_EQ(same.status, 1);
    EXPECT_NE(same.err.find("is the input file"), std::string::npos) << same.err;
    EXPECT_EQ(read_all(dir / "data.csv"), "strike,dip,rake\n10,50,10\n");
    // The engine reads at most 32767 data lines: 16384 mechanisms make one
    // line too many as .fmd, but fit as .fdt.
    std::string many = "strike,dip,rake\n";
    for (int i = 0; i < 16384; ++i) many += "10,50,10\n";
    dir.write("many.csv", many);
    const auto too_many = dir.qlconvert("many.csv many.fmd");
    EXPECT_EQ(too_many.status, 1);
    EXPECT_NE(too_many.err.find("many.fmd: 32768 data lines; a data file holds at most 32767"), std::string::npos)
        << too_many.err;
    EXPECT_FALSE(fs::exists(dir / "many.fmd"));
    EXPECT_EQ(dir.qlconvert("many.csv many.fdt").status, 0);
    // A malformed command line.
    EXPECT_NE(dir.qlconvert("data.csv out.fdt --from rds").status, 0);
    EXPECT_NE(dir.qlconvert("data.csv").status, 0);
}

TEST(ConvertCli, DoubtfulDataAreConvertedWithAWarningNamingTheirLines) {
    Dir dir("convert-warn");
    // Mechanism 2's second plane has the wrong sense (R where the double couple needs N).
    dir.write("pairs.fmd",
              "90 60 90 60 N\r\n270 30 270 30 N\r\n90 60 90 60 N\r\n270 30 270 30 R\r\n");
    const auto pairs = dir.qlconvert("pairs.fmd pairs.csv");
    EXPECT_EQ(pairs.status, 0);
    EXPECT_EQ(pairs.err,
              "qlconvert: warning: pairs.fmd: the two nodal planes are not one double couple within 1 degree for "
              "the mechanisms starting on lines 3\n");
    EXPECT_EQ(read_all(dir / "pairs.csv"),
              "strike,dip,rake,strike2,dip2,rake2\r\n0.00,60.00,-90.00,180.00,30.00,-90.00\r\n"
              "0.00,60.00,-90.00,180.00,30.00,90.00\r\n");
    // A striation 5 degrees off its plane: projected for .fmd (named), kept as
    // measured for .fdt.
    dir.write("field.txt", "dipdir dip trend plunge sense\n90 60 90 60 N\n90 60 90 55 N\n");
    const auto fmd = dir.qlconvert("field.txt field.fmd");
    EXPECT_EQ(fmd.status, 0);
    EXPECT_EQ(fmd.err,
              "qlconvert: warning: field.txt: striations more than 1 degree out of their plane on lines 3; their "
              "slip was projected onto the plane\n");
    EXPECT_EQ(read_all(dir / "field.fmd"),
              "90.00 60.00 90.00 60.00 N\r\n270.00 30.00 270.00 30.00 N\r\n"
              "90.00 60.00 90.00 60.00 N\r\n270.00 30.00 270.00 30.00 N\r\n");
    const auto fdt = dir.qlconvert("field.txt field.fdt");
    EXPECT_EQ(fdt.status, 0);
    EXPECT_EQ(fdt.err, "");
    EXPECT_EQ(read_all(dir / "field.fdt"), "90.00 60.00 90.00 60.00 N\r\n90.00 60.00 90.00 55.00 N\r\n");
}
