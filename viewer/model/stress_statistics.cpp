#include "viewer/model/stress_statistics.h"

#include <cmath>

#include "viewer/model/number_format.h"

namespace quillon::viewer {
namespace {

Tmatrix TraceFreeTensor(const Tazpl& sigma1, const Tazpl& sigma3, float phi, double c) {
    const Tvector e1 = AzplToVector(sigma1);
    const Tvector e3 = AzplToVector(sigma3);
    const Tvector e2 = CrossProduct(e3, e1);
    const double p = phi;
    const double lambda[3] = {(2.0 - p) / c, (2.0 * p - 1.0) / c, (-p - 1.0) / c};
    const double M[3][3] = {{e1.x, e1.y, e1.z}, {e2.x, e2.y, e2.z}, {e3.x, e3.y, e3.z}};
    Tmatrix T;
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) {
            double s = 0.0;
            for (int i = 0; i < 3; ++i) s += lambda[i] * M[i][j] * M[i][k];
            T.a[j][k] = static_cast<float>(s);
        }
    return T;
}

// The length-preserving image of a trace-free tensor in five dimensions, normalised.
void FiveVector(const Tmatrix& T, double x[5]) {
    const double q = std::sqrt(2.0) / 4.0, r = std::sqrt(6.0) / 12.0, s6 = std::sqrt(6.0);
    const auto& t = T.a;
    x[0] = -(q + r) * t[0][0] + (q - r) * t[1][1] + t[2][2] / s6;
    x[1] = (q - r) * t[0][0] - (q + r) * t[1][1] + t[2][2] / s6;
    x[2] = t[1][2];
    x[3] = t[2][0];
    x[4] = t[0][1];
    double len = 0.0;
    for (int k = 0; k < 5; ++k) len += x[k] * x[k];
    len = std::sqrt(len) + 1e-30;
    for (int k = 0; k < 5; ++k) x[k] /= len;
}

// A principal axis as a downward direction with the azimuth in [0, 360).
Tazpl DownwardAxis(const Tdmatrix& E, int column, const MessageSink& sink) {
    Tvector v{static_cast<float>(E.a[0][column]), static_cast<float>(E.a[1][column]),
              static_cast<float>(E.a[2][column])};
    if (v.z > 0.0f) v = NegateVector(v);
    Tazpl d = VectorToAzpl(v, sink);
    d.az = AngleMod(d.az, 360.0f);
    return d;
}

}  // namespace

Tmatrix TensorOfStressState(const Tazpl& sigma1, const Tazpl& sigma3, float phi) {
    const double p = phi;
    return TraceFreeTensor(sigma1, sigma3, phi, std::sqrt(2.0 * p * p - 2.0 * p + 2.0));
}

Tmatrix TensorForDistance(const Tazpl& sigma1, const Tazpl& sigma3, float phi) {
    const double p = phi;
    return TraceFreeTensor(sigma1, sigma3, phi, std::sqrt(3.0 * p * p - 3.0 * p + 3.0));
}

float ThetaBetweenStressStates(const TStressState& s1, const TStressState& s2) {
    double x[5], y[5];
    FiveVector(TensorForDistance(s1.axis[sgm1], s1.axis[sgm3], s1.sr), x);
    FiveVector(TensorForDistance(s2.axis[sgm1], s2.axis[sgm3], s2.sr), y);
    float c = 0.0f;
    for (int k = 0; k < 5; ++k) c = static_cast<float>(double(c) + x[k] * y[k]);
    if (c > 1.0f) c = 1.0f;
    if (c < -1.0f) c = -1.0f;
    return static_cast<float>(std::acos(double(c)) / 3.141592653589793 * 180.0);
}

MeanStress MeanAxesAndRatio(const Tdmatrix& A, const MessageSink& sink) {
    Tdmatrix single;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) single.a[i][j] = static_cast<float>(A.a[i][j]);
    const EigenSystem es = EigenVectors(single, sink);
    MeanStress m;
    m.ax1 = DownwardAxis(es.E, 0, sink);
    m.ax3 = DownwardAxis(es.E, 2, sink);
    const double spread = es.L[0] - es.L[2];
    // A tensor without spread (all principal values equal) has no defined ratio.
    m.phi = spread > 0.0 ? static_cast<float>((es.L[1] - es.L[2]) / spread) : 0.0f;
    return m;
}

float StressDifference(const Tmatrix& D) {
    const auto& d = D.a;
    const double a = double(d[0][0]) - d[1][1], b = double(d[1][1]) - d[2][2], c = double(d[2][2]) - d[0][0];
    const double off = double(d[0][1]) * d[0][1] + double(d[1][2]) * d[1][2] + double(d[2][0]) * d[2][0];
    return static_cast<float>(std::sqrt(a * a + b * b + c * c + 6.0 * off) / 3.0);
}

GlobalAverage ComputeGlobalAverage(ResultModel& model, const PlotSettings& settings,
                                   const MessageSink& sink) {
    GlobalAverage out;
    const Selection sel = SelectStates(model, settings);
    out.status = sel.status;
    out.Np = static_cast<int>(sel.entries.size());
    if (out.Np < 1) {
        out.message = "No data loaded.";
        return out;
    }
    if (out.Np < 3) {
        out.message = "Insufficient number of tensors.\r\nDecrease enhance factor.";
        return out;
    }
    const double W = static_cast<double>(sel.entries.size());

    double S[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    for (const TGridPoint& p : model.GridPoints) {
        if (p.n_to_be_plotted <= 0) continue;
        const Tmatrix T = TensorOfStressState(p.axis[sgm1], p.axis[sgm3], p.sr);
        for (int j = 0; j < 3; ++j)
            for (int k = j; k < 3; ++k) S[j][k] += p.n_to_be_plotted * double(T.a[j][k]);
    }
    Tdmatrix A;
    for (int j = 0; j < 3; ++j)
        for (int k = j; k < 3; ++k) A.a[j][k] = A.a[k][j] = S[j][k] / W;
    out.mean = MeanAxesAndRatio(A, sink);

    const Tmatrix F = TensorOfStressState(out.mean.ax1, out.mean.ax3, out.mean.phi);
    double sum1 = 0.0, sum2 = 0.0;
    for (const TGridPoint& p : model.GridPoints) {
        if (p.n_to_be_plotted <= 0) continue;
        const Tmatrix T = TensorOfStressState(p.axis[sgm1], p.axis[sgm3], p.sr);
        Tmatrix D;
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) D.a[j][k] = static_cast<float>(double(F.a[j][k]) - T.a[j][k]);
        const double d = StressDifference(D);
        // d is at most 2 for two tensors of the same norm; rounding may pass it.
        double half = d / 2.0;
        if (half > 1.0) half = 1.0;
        sum1 += d * p.n_to_be_plotted;
        sum2 += 2.0 * std::asin(half) * p.n_to_be_plotted;
    }
    out.mean_stress_difference = static_cast<float>(sum1 / W);
    out.mean_Theta = static_cast<float>(sum2 / W * 57.29579143313327);
    out.ok = true;
    return out;
}

std::vector<std::string> ShowThetaDistance(const Tazpl& ax11, const Tazpl& ax13, float ph1,
                                           const Tazpl& ax21, const Tazpl& ax23, float ph2,
                                           float theta) {
    auto axis = [](const char* label, const Tazpl& d) {
        return std::string("  ") + label + " axis = " + FormatFixed(d.az, 4, 1) + " / " + FormatFixed(d.pl, 3, 1);
    };
    return {"Stress State 1",
            axis("sigma1", ax11),
            axis("sigma3", ax13),
            "  Phi =" + FormatFixed(ph1, 4, 2),
            "",
            "Stress State 2",
            axis("sigma1", ax21),
            axis("sigma3", ax23),
            "  Phi =" + FormatFixed(ph2, 4, 2),
            "",
            "Theta = " + FormatFixed(theta, 5, 2) + " deg"};
}

std::vector<std::string> ShowStat(const std::string& fn, int e_factor, int Np,
                                  const Tazpl& mean_ax1, const Tazpl& mean_ax3, float mean_Phi,
                                  float /*spread_ax1*/, float /*spread_ax3*/, float /*spread_Phi*/,
                                  float mean_stress_difference, float mean_Theta) {
    auto axis = [](const char* label, const Tazpl& d) {
        return std::string("     ") + label + " axis =  " + FormatFixed(d.az, 4, 1) + "  /  " +
               FormatFixed(d.pl, 3, 1);
    };
    return {"File Name",
            "     " + FileNamePart(fn),
            "Enhance Factor = " + std::to_string(e_factor),
            "Np = " + std::to_string(Np),
            "Average",
            axis("sigma1", mean_ax1),
            axis("sigma3", mean_ax3),
            "     Phi         =  " + FormatFixed(mean_Phi, 3, 2),
            "Spread",
            "     mean stress difference =  " + FormatFixed(mean_stress_difference, 5, 3),
            "     mean angular stress distance =  " + FormatFixed(mean_Theta, 5, 3)};
}

}  // namespace quillon::viewer
