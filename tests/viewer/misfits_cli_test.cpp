// qlv4 --misfits, run as a program, against misfits worked out here from the
// physics of the sense of slip (not from the viewer's own rules).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace {

using quillon::viewer::testing::TempDir;

const std::string kFixtures = std::string(QUILLON_FIXTURES_DIR) + "/viewer/";
constexpr double kDeg = 3.14159265358979323846 / 180.0;

struct Vec {
    double x, y, z;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(double s, Vec a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec unit(Vec a) { return (1.0 / std::sqrt(dot(a, a))) * a; }
// East, North, Up of a line given by trend and plunge (downward positive).
Vec line(double trend, double plunge) {
    return {std::cos(plunge * kDeg) * std::sin(trend * kDeg), std::cos(plunge * kDeg) * std::cos(trend * kDeg),
            -std::sin(plunge * kDeg)};
}

struct Datum {
    double dipDir, dip, trend, plunge;
    const char* sense;
};

struct Expected {
    bool zeroShear;
    double misfit, normal, shear;
};

// The reduced stress (principal values 1, Phi, 0 along sigma1, sigma2 =
// sigma1 x sigma3, sigma3) acting across the plane: the traction on the
// downward normal, split into normal and shear parts; the hanging wall's
// motion from the sense: down (normal) or up (reverse) the line, or to the
// right (dextral) or left (sinistral) of an observer facing the dip direction.
Expected Work(const Datum& d, Vec s1, Vec s3, double phi) {
    const Vec s2 = unit(cross(s1, s3));
    auto S = [&](Vec v) {
        return Vec{dot(s1, v) * s1.x + phi * dot(s2, v) * s2.x, dot(s1, v) * s1.y + phi * dot(s2, v) * s2.y,
                   dot(s1, v) * s1.z + phi * dot(s2, v) * s2.z};
    };
    const Vec up{std::sin(d.dip * kDeg) * std::sin(d.dipDir * kDeg), std::sin(d.dip * kDeg) * std::cos(d.dipDir * kDeg),
                 std::cos(d.dip * kDeg)};
    const Vec n = -1.0 * up;
    const Vec t = S(n);
    const double sn = dot(t, n);
    const Vec tau = t - sn * n;
    const double shear = std::sqrt(dot(tau, tau));
    if (shear < 1e-6) return {true, 0, sn, shear};
    Vec v = line(d.trend, d.plunge);   // downward
    const std::string sense = d.sense;
    const Vec right = cross(Vec{std::sin(d.dipDir * kDeg), std::cos(d.dipDir * kDeg), 0}, Vec{0, 0, 1});
    if (sense == "R") v = -1.0 * v;
    if (sense == "D" && dot(v, right) < 0) v = -1.0 * v;
    if (sense == "S" && dot(v, right) > 0) v = -1.0 * v;
    const double c = std::max(-1.0, std::min(1.0, dot(unit(tau), v)));
    return {false, std::acos(c) / kDeg, sn, shear};
}

int RunQlv4(const std::string& args, std::string& out, std::string& err) {
    TempDir io;
    const std::string cmd = std::string(QLV4_PATH) + " " + args + " </dev/null >" + io.Path("out") + " 2>" + io.Path("err");
    const int status = std::system(cmd.c_str());
    out = TempDir::Read(io.Path("out"));
    err = TempDir::Read(io.Path("err"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Qlv4Misfits, AgreeWithTheSenseOfSlipWorkedOutHere) {
    const std::vector<Datum> data = {
        {40, 60, 40, 60, "N"},  {40, 60, 40, 60, "R"},  {300, 80, 30, 5, "D"},
        {300, 80, 30, 5, "S"},  {210, 70, 120, 0, "N"},  // plane normal along sigma1: no shear
        {135, 35, 200, 20, "D"},
    };
    TempDir dir;
    std::ostringstream r;
    r << " " << data.size() << "\r\n";
    for (const Datum& d : data) r << d.dipDir << " " << d.dip << " " << d.trend << " " << d.plunge << " " << d.sense << "\r\n";
    r << "  3\r\n  1\r\nsmall.cgp\r\n 2 5\r\nData = C:\\faults.fdt\r\n";
    const std::string result = dir.Write("r.ql4", r.str());

    const Vec s1 = line(30, 20), s3 = line(120, 0);
    const double phi = 0.4;
    std::string out, err;
    ASSERT_EQ(RunQlv4("--misfits " + result + " --stress '30 20 120 0 0.4' --home " + kFixtures, out, err), 0) << err;
    std::istringstream lines(out);
    std::string text;
    std::size_t i = 0;
    for (; std::getline(lines, text); ++i) {
        ASSERT_LT(i, data.size()) << text;
        std::istringstream f(text);
        std::string label, sense, misfit;
        double dd, dip, trend, plunge, sn, tau;
        f >> label >> dd >> dip >> trend >> plunge >> sense >> misfit >> sn >> tau;
        ASSERT_FALSE(f.fail()) << text;
        const Expected e = Work(data[i], s1, s3, phi);
        EXPECT_EQ(label, std::to_string(i + 1));
        EXPECT_EQ(sense, data[i].sense);
        if (e.zeroShear) {
            EXPECT_EQ(misfit, "ZSS") << text;
        } else {
            EXPECT_NEAR(std::stod(misfit), e.misfit, 0.1) << text;
        }
        EXPECT_NEAR(sn, e.normal, 0.001) << text;
        EXPECT_NEAR(tau, e.shear, 0.001) << text;
    }
    EXPECT_EQ(i, data.size());

    // To a file: the same lines with CR LF; never over the result itself.
    ASSERT_EQ(RunQlv4("--misfits " + result + " --stress '30 20 120 0 0.4' " + dir.Path("m.txt") + " --home " + kFixtures,
                  out, err),
              0)
        << err;
    std::string expected, printed;
    RunQlv4("--misfits " + result + " --stress '30 20 120 0 0.4' --home " + kFixtures, printed, err);
    for (char c : printed) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(TempDir::Read(dir.Path("m.txt")), expected);
    EXPECT_EQ(RunQlv4("--misfits " + result + " --stress '30 20 120 0 0.4' " + result + " --home " + kFixtures, out, err), 1);
    EXPECT_NE(err.find("is the result file"), std::string::npos) << err;
}

TEST(Qlv4Misfits, RefusedStatesAndPictures) {
    const std::string result = kFixtures + "small.ql4";
    const struct {
        const char* state;
        const char* message;
    } cases[] = {
        {"0 90 90 10 0.5", "must be perpendicular"},
        {"0 90 90 0 1.5", "Invalid Phi value"},
        {"400 0 90 0 0.5", "Invalid azimuth"},
        {"0 90 90", "must hold five numbers"},
    };
    for (const auto& c : cases) {
        std::string out, err;
        EXPECT_EQ(RunQlv4("--misfits " + result + " --stress '" + c.state + "' --home " + kFixtures, out, err), 1);
        EXPECT_NE(err.find(c.message), std::string::npos) << c.state << ": " << err;
    }
    // The data stereonet and the Mohr diagram as pictures, stable bytes.
    TempDir dir;
    std::string out, err;
    for (const char* name : {"a.svg", "b.svg"})
        ASSERT_EQ(RunQlv4("--export-data " + result + " " + dir.Path(name) + " --stress '0 90 90 0 0.5' --home " + kFixtures,
                      out, err),
                  0)
            << err;
    EXPECT_EQ(TempDir::Read(dir.Path("a.svg")), TempDir::Read(dir.Path("b.svg")));
    ASSERT_EQ(RunQlv4("--export-mohr " + result + " " + dir.Path("m.emf") + " --stress '0 90 90 0 0.5' --home " + kFixtures,
                  out, err),
              0)
        << err;
    EXPECT_EQ(TempDir::Read(dir.Path("m.emf")).substr(0, 4), std::string("\x01\x00\x00\x00", 4));
    EXPECT_NE(RunQlv4("--export-mohr " + result + " " + dir.Path("n.emf") + " --home " + kFixtures, out, err), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("n.emf")));
}

}  // namespace
