// qlconvert's conversions: mechanisms worked out by hand, their auxiliary
// planes against the textbook ones, the data lines as the engine reads them,
// the reading of catalogue tables and its error messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include "engine/core/kernels.h"
#include "engine/io/data_file.h"
#include "engine_bridge.h"
#include "temp_path.h"
#include "tools/catalogue.h"
#include "tools/convert.h"

namespace qt = quillon::tools;
namespace qe = quillon::engine;

namespace {

using quillon::test::engine_data;

double angle_diff(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

qt::Vec3 textbook_slip(const qt::Mechanism& m);

// Largest difference in degrees between two strike/dip/rake triples that may
// describe the same plane and slip. A vertical plane is the same when written
// from its other side: strike + 180 and rake negated.
double sdr_difference(const qt::Mechanism& a, const qt::Mechanism& b) {
    const double direct =
        std::max({angle_diff(a.strike, b.strike), std::fabs(a.dip - b.dip), angle_diff(a.rake, b.rake)});
    if (std::fabs(a.dip - 90) > 0.1 || std::fabs(b.dip - 90) > 0.1) return direct;
    const double flipped = std::max(
        {angle_diff(a.strike + 180, b.strike), std::fabs(a.dip - b.dip), angle_diff(-a.rake, b.rake)});
    return std::min(direct, flipped);
}

// Largest angle in degrees between the planes' normals and between the slips
// of two mechanisms (textbook vectors), allowing a vertical plane's other side.
double mechanism_angle(const qt::Mechanism& a, const qt::Mechanism& b) {
    auto normal = [](const qt::Mechanism& m) -> qt::Vec3 {
        const double p = m.strike * qt::kDeg, d = m.dip * qt::kDeg;
        return {std::sin(d) * std::cos(p), -std::sin(d) * std::sin(p), std::cos(d)};
    };
    auto angle = [](const qt::Vec3& u, const qt::Vec3& v) {
        return std::acos(std::clamp(u[0] * v[0] + u[1] * v[1] + u[2] * v[2], -1.0, 1.0)) / qt::kDeg;
    };
    const qt::Vec3 na = normal(a), nb = normal(b), sa = textbook_slip(a), sb = textbook_slip(b);
    const double same = std::max(angle(na, nb), angle(sa, sb));
    const double other_side = std::max(angle({-na[0], -na[1], -na[2]}, nb), angle({-sa[0], -sa[1], -sa[2]}, sb));
    return std::min(same, other_side);
}

std::string sdr_text(const qt::Mechanism& m) {
    return std::to_string(m.strike) + "/" + std::to_string(m.dip) + "/" + std::to_string(m.rake);
}

qt::Catalogue read(const std::string& text, qt::ReadOptions options = {}) {
    return qt::read_catalogue("in.csv", text, options);
}

// Hanging-wall slip rebuilt by a textbook formula in the North-East-Down frame,
// turned into East-North-Up: an independent check of the slip vector.
qt::Vec3 textbook_slip(const qt::Mechanism& m) {
    const double p = m.strike * qt::kDeg, d = m.dip * qt::kDeg, l = m.rake * qt::kDeg;
    const double north = std::cos(l) * std::cos(p) + std::sin(l) * std::cos(d) * std::sin(p);
    const double east = std::cos(l) * std::sin(p) - std::sin(l) * std::cos(d) * std::cos(p);
    const double down = -std::sin(l) * std::sin(d);
    return {east, north, -down};
}

}  // namespace

TEST(Convert, HandWorkedMechanismsGiveTheirDataLinesAndTextbookAuxiliaryPlanes) {
    struct Case {
        const char* what;
        qt::Mechanism given;
        const char* line;       // the .fdt line
        qt::Mechanism aux;      // the textbook auxiliary plane (any equivalent form)
        const char* aux_line;   // the auxiliary plane's line in the .fmd
    } cases[] = {
        {"pure normal, dipping 60 east", {0, 60, -90}, "90.00 60.00 90.00 60.00 N", {180, 30, -90},
         "270.00 30.00 270.00 30.00 N"},
        {"pure reverse, dipping 30 east", {0, 30, 90}, "90.00 30.00 90.00 30.00 R", {180, 60, 90},
         "270.00 60.00 270.00 60.00 R"},
        {"pure dextral, vertical N-S", {0, 90, 180}, "90.00 90.00 180.00 0.00 D", {90, 90, 0},
         "180.00 90.00 90.00 0.00 S"},
        {"pure sinistral, vertical N-S", {0, 90, 0}, "90.00 90.00 0.00 0.00 S", {90, 90, 180},
         "180.00 90.00 270.00 0.00 D"},
        {"oblique reverse-sinistral", {40, 70, 30}, "130.00 70.00 208.83 28.02 S", {298.83, 61.98, 157.20},
         "28.83 61.98 310.00 20.00 D"},
        {"oblique normal, dip slip dominant", {200, 35, -120}, "290.00 35.00 325.18 29.78 N",
         {55.18, 60.22, -70.70}, ""},
        {"oblique dextral-reverse", {315, 80, 160}, "45.00 80.00 318.62 19.68 D", {48.62, 70.32, 10.63}, ""},
        {"vertical plane, east side up", {0, 90, 90}, "90.00 90.00 90.00 90.00 R", {90, 0, 0},
         "180.00 0.00 90.00 0.00 S"},
        {"horizontal plane: keeps its strike, slip towards strike - rake", {30, 0, 60},
         "120.00 0.00 150.00 0.00 R", {240, 90, 90}, "150.00 90.00 150.00 90.00 N"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const qt::FaultSlip f = qt::fault_slip_of_mechanism(c.given);
        const qt::Mechanism aux = qt::auxiliary_plane(c.given);
        EXPECT_EQ(qt::format_fault_slip(f), c.line);
        EXPECT_LT(sdr_difference(aux, c.aux), 0.01) << sdr_text(aux);
        if (*c.aux_line) {
            EXPECT_EQ(qt::format_fault_slip(qt::fault_slip_of_mechanism(aux)), c.aux_line);
        }

        // The engine rebuilds the mechanism's slip (textbook formula) from the
        // line, and the auxiliary line gives the same double couple.
        const auto d = engine_data(qt::format_data({f, qt::fault_slip_of_mechanism(aux)}));
        ASSERT_EQ(d.size(), 2u);
        const qt::Vec3 slip = textbook_slip(c.given);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(d[0].slip[i], slip[i], 2e-4) << i;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                EXPECT_NEAR(d[0].normal[i] * d[0].slip[j] + d[0].slip[i] * d[0].normal[j],
                            d[1].normal[i] * d[1].slip[j] + d[1].slip[i] * d[1].normal[j], 5e-4);
    }
}

TEST(Convert, RakesOfPlusMinus180AndOf0And360AreTheSameMechanism) {
    const auto cat = read("strike,dip,rake\n10,50,-180\n10,50,180\n10,50,0\n10,50,360\n10,50,270\n10,50,-90\n");
    ASSERT_EQ(cat.data.size(), 6u);
    const std::string fdt = qt::format_fdt(cat);
    const std::string fmd = qt::format_fmd(cat);
    auto line = [](const std::string& text, int i) {
        std::size_t start = 0;
        for (int k = 0; k < i; ++k) start = text.find("\r\n", start) + 2;
        return text.substr(start, text.find("\r\n", start) - start);
    };
    for (int pair : {0, 2, 4}) {
        EXPECT_EQ(line(fdt, pair), line(fdt, pair + 1));
        EXPECT_EQ(line(fmd, 2 * pair + 1), line(fmd, 2 * pair + 3));
    }
    EXPECT_EQ(line(fdt, 0), "100.00 50.00 190.00 0.00 D");
    EXPECT_EQ(line(fdt, 2), "100.00 50.00 10.00 0.00 S");
    // Back to CSV both forms are written in (-180, 180].
    const std::string csv = qt::format_csv(cat, false);
    EXPECT_EQ(csv,
              "strike,dip,rake\r\n10.00,50.00,180.00\r\n10.00,50.00,180.00\r\n10.00,50.00,0.00\r\n"
              "10.00,50.00,0.00\r\n10.00,50.00,-90.00\r\n10.00,50.00,-90.00\r\n");
}

TEST(Convert, RandomMechanismsSurviveTheFmdAndBackAndPairIntoOneDoubleCouple) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> az(0, 360), dip(0, 90), rake(-180, 180);
    std::string csv = "strike,dip,rake\n";
    std::vector<qt::Mechanism> given;
    for (int i = 0; i < 600; ++i) {
        qt::Mechanism m{az(rng), dip(rng), rake(rng)};
        // The edges: vertical and horizontal planes, pure strike and dip slip.
        if (i % 10 == 1) m.dip = 90;
        if (i % 10 == 2) m.dip = 0;
        if (i % 10 == 3) m.rake = 180;
        if (i % 10 == 4) m.rake = -90;
        if (i % 10 == 5) m.rake = 0;
        char buf[96];
        std::snprintf(buf, sizeof buf, "%.4f,%.4f,%.4f\n", m.strike, m.dip, m.rake);
        csv += buf;
        given.push_back(m);
    }
    const auto cat = read(csv);
    qt::ReadOptions engine;
    engine.engine_file = true;
    const auto back = qt::read_catalogue("out.fmd", qt::format_fmd(cat), engine);
    ASSERT_EQ(back.data.size(), 2 * given.size());
    for (std::size_t i = 0; i < given.size(); ++i) {
        const qt::Mechanism& first = back.data[2 * i].mechanism;
        const qt::Mechanism& second = back.data[2 * i + 1].mechanism;
        EXPECT_LT(sdr_difference(first, given[i]), 0.1) << i << ": " << sdr_text(given[i]) << " came back as "
                                                       << sdr_text(first);
        // The auxiliary of the auxiliary is the given plane and slip (compared as
        // vectors: a horizontal plane's strike is a free choice).
        EXPECT_LT(mechanism_angle(qt::auxiliary_plane(second), given[i]), 0.1) << i << ": " << sdr_text(given[i]);
        EXPECT_LT(qt::double_couple_mismatch_deg(first, second), 0.05) << i;
    }
    // And the CSV of the pairs holds the given plane first.
    const std::string out = qt::format_csv(back, true);
    EXPECT_EQ(out.substr(0, out.find("\r\n")), "strike,dip,rake,strike2,dip2,rake2");
    const auto again = read(out);
    ASSERT_EQ(again.data.size(), given.size());
    for (std::size_t i = 0; i < given.size(); ++i)
        EXPECT_LT(sdr_difference(again.data[i].mechanism, given[i]), 0.1) << i;
}

TEST(Convert, DoubleCoupleMismatchCatchesAFlippedSense) {
    const qt::Mechanism m{40, 70, 30};
    const qt::Mechanism aux = qt::auxiliary_plane(m);
    EXPECT_LT(qt::double_couple_mismatch_deg(m, aux), 1e-6);
    qt::Mechanism flipped = aux;
    flipped.rake = qt::wrap_rake(aux.rake + 180);  // the other sense of slip
    EXPECT_GT(qt::double_couple_mismatch_deg(m, flipped), 179.0);
    qt::Mechanism tilted = aux;
    tilted.dip += 5;
    EXPECT_GT(qt::double_couple_mismatch_deg(m, tilted), 4.0);
}

TEST(Convert, TablesOfEveryLayoutGiveTheSameMechanism) {
    // One mechanism, strike 30 dip 60 rake -45, as many files write it.
    const qt::Mechanism expected{30, 60, -45};
    const std::string expected_line = qt::format_fault_slip(qt::fault_slip_of_mechanism(expected));
    struct Case {
        const char* what;
        const char* text;
        std::optional<qt::Convention> from;
        std::vector<std::string> columns;
    } cases[] = {
        {"comma header", "strike,dip,rake\n30,60,-45\n", {}, {}},
        {"header names in other case and spelling, extra columns", "ID,Strike,DIP,Rake,Mw\nev1,30,60,-45,5.1\n", {}, {}},
        {"semicolons, comments, blank lines, CR LF", "# catalogue\r\n\r\nstrike;dip;rake\r\n# first\r\n30;60;-45\r\n", {}, {}},
        {"tabs", "strike\tdip\trake\n30\t60\t-45\n", {}, {}},
        {"blanks, rake 0 to 360", "  strike  dip   rake\n  30.0    60.0  315.0\n", {}, {}},
        {"quoted field holding the separator", "name,strike,dip,rake\n\"Zone 1, north\",30,60,-45\n", {}, {}},
        {"byte order mark", "\xEF\xBB\xBFstrike,dip,rake\n30,60,-45\n", {}, {}},
        {"no header, --from sdr", "30 60 -45\n", qt::Convention::sdr, {}},
        {"no header, --from ddr", "120,60,-45\n", qt::Convention::ddr, {}},
        {"dip direction header", "dip_direction,dip,rake\n120,60,-45\n", {}, {}},
        {"dipdir header spelled with a blank", "Dip Direction;Dip;Rake\n120;60;-45\n", {}, {}},
        {"--columns by number", "1,2,30,60,-45\n", qt::Convention::sdr, {"3", "4", "5"}},
        {"--columns by name in any order", "rk,dp,str\n-45,60,30\n", qt::Convention::sdr, {"str", "dp", "rk"}},
        {"--columns names a header the names alone would not", "a b c\n30 60 -45\n", qt::Convention::sdr,
         {"a", "b", "c"}},
        {"catalogue with both planes: plane 1 taken", "strike1,dip1,rake1,strike2,dip2,rake2\n30,60,-45,x,y,z\n", {}, {}},
        {"azimuth of 390", "strike,dip,rake\n390,60,-45\n", {}, {}},
        {"negative azimuth", "strike,dip,rake\n-330,60,-45\n", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qt::ReadOptions options;
        options.from = c.from;
        options.columns = c.columns;
        qt::Catalogue cat;
        try {
            cat = read(c.text, options);
        } catch (const qt::ConvertError& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        ASSERT_EQ(cat.data.size(), 1u);
        EXPECT_LT(sdr_difference(cat.data[0].mechanism, expected), 1e-9) << sdr_text(cat.data[0].mechanism);
        EXPECT_EQ(qt::format_fault_slip(cat.data[0].fault), expected_line);
    }
}

TEST(Convert, NativeTablesAndEngineFilesKeepTheirLines) {
    // Plane and striation pass through to .fdt unchanged (the sense as its letter).
    const auto cat = read("dipdir dip trend plunge sense\n120 45 200 30 normal\n", {});
    EXPECT_EQ(cat.convention, qt::Convention::native);
    EXPECT_EQ(qt::format_fdt(cat), "120.00 45.00 200.00 30.00 N\r\n");
    // The engine's own layout: blanks and/or commas, quoted sense, extra items.
    qt::ReadOptions engine;
    engine.engine_file = true;
    const auto fdt = qt::read_catalogue("in.fdt", "90 60 90 60 N\r\n90,60,90,60,\"r\" comment\r\n90, 90 , 180 0 d\r\n", engine);
    ASSERT_EQ(fdt.data.size(), 3u);
    EXPECT_EQ(qt::format_csv(fdt, false),
              "strike,dip,rake\r\n0.00,60.00,-90.00\r\n0.00,60.00,90.00\r\n0.00,90.00,180.00\r\n");
    EXPECT_TRUE(fdt.off_plane_lines.empty());
    // A striation 20 degrees out of its plane is projected, and named.
    const auto off = qt::read_catalogue("in.fdt", "90 60 90 60 N\n90 60 90 40 N\n", engine);
    EXPECT_EQ(off.off_plane_lines, std::vector<int>{2});
    EXPECT_NEAR(off.data[1].mechanism.rake, -90, 1e-9);
}

TEST(Convert, AzimuthsBroughtIntoRangeAreListedByLine) {
    const auto cat = read("strike,dip,rake\n432,50,10\n72,50,10\n# note\n-288,50,10\n10,50,10\n10,50,10\n"
                          "370,50,10\n380,50,10\n360,50,10\n");
    EXPECT_EQ(qt::line_list(cat.wrapped_lines), "2, 5, 8-10");
    EXPECT_NEAR(cat.data[0].mechanism.strike, 72, 1e-9);
    EXPECT_NEAR(cat.data[2].mechanism.strike, 72, 1e-9);
    EXPECT_EQ(cat.data[7].mechanism.strike, 0);
}

TEST(Convert, BadInputIsReportedWithFileLineAndColumn) {
    struct Case {
        const char* what;
        const char* text;
        std::optional<qt::Convention> from;
        std::vector<std::string> columns;
        const char* message;
    } cases[] = {
        {"non-numeric value", "strike,dip,rake\n10,50,10\n10,5O,10\n", {}, {},
         "in.csv, line 3, column 2 (dip): '5O' is not a number"},
        {"dip above 90", "strike,dip,rake\n10,95,10\n", {}, {}, "in.csv, line 2, column 2 (dip): dip 95 is outside 0 to 90"},
        {"negative dip", "strike,dip,rake\n10,-1,10\n", {}, {}, "line 2, column 2 (dip): dip -1 is outside 0 to 90"},
        {"rake above 360", "strike,dip,rake\n10,50,361\n", {}, {}, "line 2, column 3 (rake): rake 361 is outside"},
        {"rake below -180", "strike,dip,rake\n10,50,-180.5\n", {}, {}, "line 2, column 3 (rake): rake -180.5 is outside"},
        {"missing column", "strike,dip,rake\n10,50\n", {}, {}, "in.csv, line 2, column 3 (rake): missing value"},
        {"empty field", "strike;dip;rake\n10;;20\n", {}, {}, "line 2, column 2 (dip): missing value"},
        {"missing column found by name", "id,strike,dip,rake\n\n# c\na,10,50\n", {}, {}, "line 4, column 4 (rake): missing value"},
        {"infinite value", "strike,dip,rake\n10,50,inf\n", {}, {}, "column 3 (rake): 'inf' is not a number"},
        {"bad sense", "dipdir,dip,trend,plunge,sense\n90,60,90,60,X\n", {}, {}, "line 2, column 5 (sense): sense 'X' is not N, R, S or D"},
        {"plunge above 90", "dipdir,dip,trend,plunge,sense\n90,60,90,91,N\n", {}, {}, "line 2, column 4 (plunge): plunge 91 is outside 0 to 90"},
        {"striation along the normal", "dipdir,dip,trend,plunge,sense\n90,60,270,30,N\n", {}, {},
         "line 2, column 3 (trend): the striation is perpendicular to the plane"},
        {"no header and no --from", "10,50,10\n", {}, {}, "in.csv, line 1: no header line names the columns; give --from"},
        {"header of unknown names", "a,b,c\n10,50,10\n", {}, {}, "in.csv, line 1: the header line names none of the known column sets"},
        {"header without the convention's column", "strike,dip,slip\n10,50,10\n", qt::Convention::sdr, {},
         "in.csv, line 1: the header has no rake column"},
        {"--columns of the wrong count", "10,50,10\n", qt::Convention::sdr, {"1", "2"}, "--columns gives 2 columns; sdr needs 3"},
        {"--columns name missing from the header", "strike,dip,rake\n10,50,10\n", {}, {"strike", "dip", "slip"},
         "in.csv, line 1: the header has no column 'slip'"},
        {"--columns name without a header", "10,50,10\n", qt::Convention::sdr, {"1", "dip", "3"},
         "in.csv: --columns names 'dip' but the file has no header line"},
        {"--columns number 0", "10,50,10\n", qt::Convention::sdr, {"0", "1", "2"}, "--columns: '0' is not a column number"},
        {"empty file", "", {}, {}, "in.csv: no data lines"},
        {"comments only", "# nothing\n\n", {}, {}, "in.csv: no data lines"},
        {"header only", "strike,dip,rake\r\n", {}, {}, "in.csv: no data lines after the header line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qt::ReadOptions options;
        options.from = c.from;
        options.columns = c.columns;
        try {
            read(c.text, options);
            ADD_FAILURE() << "accepted";
        } catch (const qt::ConvertError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}
