#include "tools/catalogue.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "tools/text_file.h"

namespace quillon::tools {

namespace {

namespace fs = std::filesystem;

enum class Separator { comma, semicolon, tab, blanks, blanks_and_commas };

enum class Role { strike, dip_direction, dip, rake, trend, plunge, sense };

const char* role_name(Role r) {
    switch (r) {
        case Role::strike: return "strike";
        case Role::dip_direction: return "dip direction";
        case Role::dip: return "dip";
        case Role::rake: return "rake";
        case Role::trend: return "trend";
        case Role::plunge: return "plunge";
        case Role::sense: return "sense";
    }
    return "";
}

// Header names of each role, compared after lower-casing and dropping blanks,
// underscores, hyphens and dots ("Dip Direction", "dip_direction", "dipdir").
std::vector<std::string> role_aliases(Role r) {
    switch (r) {
        case Role::strike: return {"strike", "strike1"};
        case Role::dip_direction: return {"dipdirection", "dipdir", "dipazimuth", "dd"};
        case Role::dip: return {"dip", "dip1"};
        case Role::rake: return {"rake", "rake1"};
        case Role::trend: return {"trend", "sliptrend"};
        case Role::plunge: return {"plunge", "slipplunge"};
        case Role::sense: return {"sense", "senseofslip"};
    }
    return {};
}

std::vector<Role> roles_of(Convention c) {
    switch (c) {
        case Convention::sdr: return {Role::strike, Role::dip, Role::rake};
        case Convention::ddr: return {Role::dip_direction, Role::dip, Role::rake};
        case Convention::native:
            return {Role::dip_direction, Role::dip, Role::trend, Role::plunge, Role::sense};
    }
    return {};
}

std::string normalized_name(const std::string& s) {
    std::string out;
    for (char ch : s) {
        if (ch == ' ' || ch == '_' || ch == '-' || ch == '.' || ch == '\t') continue;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    return out;
}

bool is_known_name(const std::string& field) {
    const std::string n = normalized_name(field);
    for (Role r : {Role::strike, Role::dip_direction, Role::dip, Role::rake, Role::trend, Role::plunge,
                   Role::sense}) {
        const auto aliases = role_aliases(r);
        if (std::find(aliases.begin(), aliases.end(), n) != aliases.end()) return true;
    }
    return false;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && is_blank(s[b])) ++b;
    while (e > b && is_blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool parse_number(const std::string& field, double& value) {
    if (field.empty()) return false;
    const char* begin = field.c_str();
    char* end = nullptr;
    value = std::strtod(begin, &end);
    return end == begin + field.size() && std::isfinite(value);
}

// Separator of a table: the candidate that occurs most often outside quotes in
// its first line (comma before semicolon before tab on a tie); blanks if none.
Separator detect_separator(const std::string& line) {
    int comma = 0, semicolon = 0, tab = 0;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        comma += c == ',';
        semicolon += c == ';';
        tab += c == '\t';
    }
    if (comma == 0 && semicolon == 0 && tab == 0) return Separator::blanks;
    if (comma >= semicolon && comma >= tab) return Separator::comma;
    if (semicolon >= tab) return Separator::semicolon;
    return Separator::tab;
}

// The text of a field in double quotes starting at line[i] (the opening
// quote); "" inside stands for one quote.  `i` ends past the closing quote.
std::string quoted_text(const std::string& line, std::size_t& i) {
    std::string text;
    ++i;
    while (i < line.size()) {
        if (line[i] == '"') {
            if (i + 1 < line.size() && line[i + 1] == '"') {
                text += '"';
                i += 2;
                continue;
            }
            ++i;
            break;
        }
        text += line[i++];
    }
    return text;
}

// Fields of one line. Delimited lines keep empty fields; blank-separated lines
// take runs of separators as one. A field in double quotes may hold separators
// ("" stands for one quote); the quotes are dropped.
std::vector<std::string> split_fields(const std::string& line, Separator sep) {
    std::vector<std::string> fields;
    const bool delimited = sep == Separator::comma || sep == Separator::semicolon || sep == Separator::tab;
    const char delimiter = sep == Separator::comma ? ',' : sep == Separator::semicolon ? ';' : '\t';
    auto is_separator = [&](char c) {
        if (delimited) return c == delimiter;
        return is_blank(c) || (sep == Separator::blanks_and_commas && c == ',');
    };
    std::size_t i = 0;
    const std::size_t n = line.size();
    if (!delimited) {
        for (;;) {
            while (i < n && is_separator(line[i])) ++i;
            if (i >= n) break;
            std::string field = line[i] == '"' ? quoted_text(line, i) : std::string();
            while (i < n && !is_separator(line[i])) field += line[i++];
            fields.push_back(field);
        }
        return fields;
    }
    for (;;) {
        while (i < n && is_blank(line[i]) && line[i] != delimiter) ++i;
        std::string field = i < n && line[i] == '"' ? quoted_text(line, i) : std::string();
        while (i < n && line[i] != delimiter) field += line[i++];
        field = trimmed(field);
        fields.push_back(field);
        if (i >= n) break;
        ++i;  // the delimiter
    }
    return fields;
}

std::string number_text(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string two_decimals(double v) {
    if (std::fabs(v) < 0.005) v = 0.0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

std::string strike_text(double strike) {
    double v = std::round(wrap_azimuth(strike) * 100.0) / 100.0;
    if (v >= 360.0) v = 0.0;
    return two_decimals(v);
}

std::string rake_text(double rake) {
    double v = std::round(wrap_rake(rake) * 100.0) / 100.0;
    if (v <= -180.0) v += 360.0;
    return two_decimals(v);
}

std::string csv_row(const Mechanism& m) {
    return strike_text(m.strike) + "," + two_decimals(m.dip) + "," + rake_text(m.rake);
}

std::string lower_extension(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

struct Line {
    int number;
    std::string text;
};

}  // namespace

const char* convention_name(Convention c) {
    switch (c) {
        case Convention::sdr: return "sdr";
        case Convention::ddr: return "ddr";
        case Convention::native: return "native";
    }
    return "";
}

std::optional<Convention> parse_convention(const std::string& text) {
    if (text == "sdr") return Convention::sdr;
    if (text == "ddr") return Convention::ddr;
    if (text == "native") return Convention::native;
    return std::nullopt;
}

std::string line_list(const std::vector<int>& lines) {
    std::vector<int> v = lines;
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    std::string out;
    for (std::size_t i = 0; i < v.size();) {
        std::size_t j = i;
        while (j + 1 < v.size() && v[j + 1] == v[j] + 1) ++j;
        if (!out.empty()) out += ", ";
        out += std::to_string(v[i]);
        if (j > i) {
            out += '-';
            out += std::to_string(v[j]);
        }
        i = j + 1;
    }
    return out;
}

Catalogue read_catalogue(const std::string& name, const std::string& text, const ReadOptions& options) {
    // Content lines: not blank, not a comment.
    std::vector<Line> lines;
    {
        std::size_t start = 0;
        int number = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            ++number;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
            const std::string t = trimmed(line);
            if (!t.empty() && t[0] != '#') lines.push_back({number, line});
            if (end == text.size()) break;
            start = end + 1;
        }
    }
    if (lines.empty()) throw ConvertError(name + ": no data lines");

    const Separator sep = options.engine_file ? Separator::blanks_and_commas : detect_separator(lines[0].text);
    const std::vector<std::string> first = split_fields(lines[0].text, sep);

    // Header: a known name, a name asked for with --columns, or no number at all.
    bool header = false;
    {
        bool any_number = false;
        for (const auto& f : first) {
            double v;
            if (parse_number(f, v)) any_number = true;
            if (is_known_name(f)) header = true;
            for (const auto& c : options.columns)
                if (!c.empty() && normalized_name(c) == normalized_name(f)) header = true;
        }
        if (!any_number) header = true;
    }
    const int header_line = lines[0].number;
    auto header_column = [&](const std::string& wanted) -> int {
        for (std::size_t i = 0; i < first.size(); ++i)
            if (normalized_name(first[i]) == wanted) return static_cast<int>(i);
        return -1;
    };
    auto role_column = [&](Role r) -> int {
        for (const auto& alias : role_aliases(r)) {
            const int c = header_column(alias);
            if (c >= 0) return c;
        }
        return -1;
    };

    Catalogue cat;
    if (options.from) {
        cat.convention = *options.from;
    } else if (header) {
        auto has = [&](std::initializer_list<Role> roles) {
            return std::all_of(roles.begin(), roles.end(), [&](Role r) { return role_column(r) >= 0; });
        };
        if (has({Role::dip_direction, Role::dip, Role::trend, Role::plunge, Role::sense}))
            cat.convention = Convention::native;
        else if (has({Role::strike, Role::dip, Role::rake}))
            cat.convention = Convention::sdr;
        else if (has({Role::dip_direction, Role::dip, Role::rake}))
            cat.convention = Convention::ddr;
        else
            throw ConvertError(name + ", line " + std::to_string(header_line) +
                               ": the header line names none of the known column sets (strike,dip,rake; "
                               "dip_direction,dip,rake; dipdir,dip,trend,plunge,sense); give --from and --columns");
    } else if (options.engine_file) {
        cat.convention = Convention::native;
    } else {
        throw ConvertError(name + ", line " + std::to_string(header_line) +
                           ": no header line names the columns; give --from sdr, ddr or native");
    }

    const std::vector<Role> roles = roles_of(cat.convention);
    std::vector<int> columns;  // 0-based, one per role
    if (!options.columns.empty()) {
        if (options.columns.size() != roles.size()) {
            std::string names;
            for (Role r : roles) names += std::string(names.empty() ? "" : ", ") + role_name(r);
            throw ConvertError("--columns gives " + std::to_string(options.columns.size()) + " columns; " +
                               convention_name(cat.convention) + " needs " + std::to_string(roles.size()) +
                               " (" + names + ")");
        }
        for (const auto& c : options.columns) {
            const std::string t = trimmed(c);
            if (!t.empty() && std::all_of(t.begin(), t.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
                const long n = t.size() > 6 ? 0 : std::stol(t);
                if (n < 1) throw ConvertError("--columns: '" + t + "' is not a column number (they start at 1)");
                columns.push_back(static_cast<int>(n - 1));
            } else {
                if (!header)
                    throw ConvertError(name + ": --columns names '" + t + "' but the file has no header line");
                const int col = header_column(normalized_name(t));
                if (col < 0)
                    throw ConvertError(name + ", line " + std::to_string(header_line) + ": the header has no column '" +
                                       t + "'");
                columns.push_back(col);
            }
        }
    } else if (header) {
        for (Role r : roles) {
            const int col = role_column(r);
            if (col < 0) {
                std::string aliases;
                for (const auto& a : role_aliases(r)) aliases += std::string(aliases.empty() ? "" : ", ") + a;
                throw ConvertError(name + ", line " + std::to_string(header_line) + ": the header has no " +
                                   role_name(r) + " column (one named " + aliases + ")");
            }
            columns.push_back(col);
        }
    } else {
        for (std::size_t i = 0; i < roles.size(); ++i) columns.push_back(static_cast<int>(i));
    }

    for (std::size_t li = header ? 1 : 0; li < lines.size(); ++li) {
        const Line& line = lines[li];
        const std::vector<std::string> fields = split_fields(line.text, sep);
        bool wrapped = false;
        double values[5] = {0, 0, 0, 0, 0};
        char sense = 'N';
        for (std::size_t r = 0; r < roles.size(); ++r) {
            const Role role = roles[r];
            const int col = columns[r];
            const std::string where = name + ", line " + std::to_string(line.number) + ", column " +
                                      std::to_string(col + 1) + " (" + role_name(role) + "): ";
            if (col >= static_cast<int>(fields.size()) || fields[col].empty())
                throw ConvertError(where + "missing value (the line has " + std::to_string(fields.size()) +
                                   " columns)");
            const std::string& field = fields[col];
            if (role == Role::sense) {
                const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(field[0])));
                if (c != 'N' && c != 'R' && c != 'S' && c != 'D')
                    throw ConvertError(where + "sense '" + field + "' is not N, R, S or D");
                sense = c;
                continue;
            }
            double v;
            if (!parse_number(field, v)) throw ConvertError(where + "'" + field + "' is not a number");
            switch (role) {
                case Role::strike:
                case Role::dip_direction:
                case Role::trend:
                    if (v < 0 || v >= 360) {
                        wrapped = true;
                        v = wrap_azimuth(v);
                    }
                    break;
                case Role::dip:
                    if (v < 0 || v > 90) throw ConvertError(where + "dip " + number_text(v) + " is outside 0 to 90");
                    break;
                case Role::plunge:
                    if (v < 0 || v > 90)
                        throw ConvertError(where + "plunge " + number_text(v) + " is outside 0 to 90");
                    break;
                case Role::rake:
                    if (v < -180 || v > 360)
                        throw ConvertError(where + "rake " + number_text(v) +
                                           " is outside -180 to 180 (or 0 to 360)");
                    break;
                case Role::sense: break;
            }
            values[r] = v + 0.0;
        }
        if (wrapped) cat.wrapped_lines.push_back(line.number);

        Datum d;
        d.line = line.number;
        switch (cat.convention) {
            case Convention::sdr:
            case Convention::ddr: {
                const double strike =
                    cat.convention == Convention::sdr ? values[0] : wrap_azimuth(values[0] - 90.0);
                d.mechanism = {strike, values[1], wrap_rake(values[2])};
                d.fault = fault_slip_of_mechanism(d.mechanism);
                break;
            }
            case Convention::native: {
                d.fault = {values[0], values[1], values[2], values[3], sense};
                double off = 0;
                if (!mechanism_of_fault_slip(d.fault, d.mechanism, off))
                    throw ConvertError(name + ", line " + std::to_string(line.number) + ", column " +
                                       std::to_string(columns[2] + 1) +
                                       " (trend): the striation is perpendicular to the plane");
                if (off > 1.0) cat.off_plane_lines.push_back(line.number);
                break;
            }
        }
        cat.data.push_back(d);
    }
    if (cat.data.empty()) throw ConvertError(name + ": no data lines after the header line");
    return cat;
}

std::string format_fdt(const Catalogue& c) {
    std::vector<FaultSlip> lines;
    for (const auto& d : c.data) lines.push_back(d.fault);
    return format_data(lines);
}

std::string format_fmd(const Catalogue& c) {
    std::vector<FaultSlip> lines;
    for (const auto& d : c.data) {
        lines.push_back(fault_slip_of_mechanism(d.mechanism));
        lines.push_back(fault_slip_of_mechanism(auxiliary_plane(d.mechanism)));
    }
    return format_data(lines);
}

std::string format_csv(const Catalogue& c, bool paired) {
    std::string text = paired ? "strike,dip,rake,strike2,dip2,rake2\r\n" : "strike,dip,rake\r\n";
    if (paired) {
        for (std::size_t i = 0; i + 1 < c.data.size(); i += 2)
            text += csv_row(c.data[i].mechanism) + "," + csv_row(c.data[i + 1].mechanism) + "\r\n";
    } else {
        for (const auto& d : c.data) text += csv_row(d.mechanism) + "\r\n";
    }
    return text;
}

int convert_file(const std::string& in_path, const std::string& out_path, const ReadOptions& options,
                 std::vector<std::string>& warnings) {
    const std::string out_ext = lower_extension(out_path);
    if (out_ext != ".fdt" && out_ext != ".fmd" && out_ext != ".csv")
        throw ConvertError(out_path + ": the output file must end in .fdt, .fmd or .csv");
    const std::string in_ext = lower_extension(in_path);
    const bool paired = in_ext == ".fmd";
    if (paired && out_ext != ".csv")
        throw ConvertError(in_path + ": a focal-mechanism file (two nodal-plane lines per mechanism, either of "
                                     "which may be the fault) converts to .csv only");

    std::error_code ec;
    const auto status = fs::status(in_path, ec);
    if (ec || !fs::exists(status)) throw ConvertError(in_path + ": no such file");
    if (!fs::is_regular_file(status)) throw ConvertError(in_path + ": not a regular file");
    if (fs::exists(out_path, ec) && fs::equivalent(in_path, out_path, ec))
        throw ConvertError(out_path + ": this is the input file; choose another output name");
    std::string text;
    {
        std::ifstream in(in_path, std::ios::binary);
        if (!in) throw ConvertError(in_path + ": cannot be read");
        std::ostringstream ss;
        ss << in.rdbuf();
        if (in.bad()) throw ConvertError(in_path + ": cannot be read");
        text = ss.str();
    }

    ReadOptions read_options = options;
    read_options.engine_file = in_ext == ".fdt" || in_ext == ".fmd";
    const Catalogue cat = read_catalogue(in_path, text, read_options);

    if (paired) {
        if (cat.data.size() % 2 != 0)
            throw ConvertError(in_path + ", line " + std::to_string(cat.data.back().line) +
                               ": the last mechanism has one nodal plane only; a focal-mechanism file holds "
                               "two lines per mechanism");
        std::vector<int> mismatched;
        for (std::size_t i = 0; i + 1 < cat.data.size(); i += 2)
            if (double_couple_mismatch_deg(cat.data[i].mechanism, cat.data[i + 1].mechanism) > 1.0)
                mismatched.push_back(cat.data[i].line);
        if (!mismatched.empty())
            warnings.push_back(in_path + ": the two nodal planes are not one double couple within 1 degree " +
                               "for the mechanisms starting on lines " + line_list(mismatched));
    }
    if (!cat.wrapped_lines.empty())
        warnings.push_back(in_path + ": azimuths outside 0 to 360 brought into range on lines " +
                           line_list(cat.wrapped_lines));
    if (!cat.off_plane_lines.empty() && out_ext != ".fdt")
        warnings.push_back(in_path + ": striations more than 1 degree out of their plane on lines " +
                           line_list(cat.off_plane_lines) + "; their slip was projected onto the plane");

    std::string out_text;
    std::size_t written = 0;
    if (out_ext == ".csv") {
        out_text = format_csv(cat, paired);
        written = paired ? cat.data.size() / 2 : cat.data.size();
    } else {
        written = out_ext == ".fmd" ? 2 * cat.data.size() : cat.data.size();
        if (written > 32767)
            throw ConvertError(out_path + ": " + std::to_string(written) +
                               " data lines; a data file holds at most 32767");
        out_text = out_ext == ".fmd" ? format_fmd(cat) : format_fdt(cat);
    }
    std::string error;
    if (!write_text_file(out_path, out_text, error)) throw ConvertError(out_path + ": " + error);
    return static_cast<int>(written);
}

}  // namespace quillon::tools
