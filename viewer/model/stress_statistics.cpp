#include "viewer/model/stress_statistics.h"

#include <cmath>

#include "viewer/model/number_format.h"

namespace quillon::viewer {
namespace {

Matrix3 traceFreeTensor(const Direction& sigma1, const Direction& sigma3, float phi, double c) {
    const Vector3 e1 = directionToVector(sigma1);
    const Vector3 e3 = directionToVector(sigma3);
    const Vector3 e2 = crossProduct(e3, e1);
    const double p = phi;
    const double lambda[3] = {(2.0 - p) / c, (2.0 * p - 1.0) / c, (-p - 1.0) / c};
    const double M[3][3] = {{e1.x, e1.y, e1.z}, {e2.x, e2.y, e2.z}, {e3.x, e3.y, e3.z}};
    Matrix3 T;
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) {
            double s = 0.0;
            for (int i = 0; i < 3; ++i) s += lambda[i] * M[i][j] * M[i][k];
            T.a[j][k] = static_cast<float>(s);
        }
    return T;
}

// The length-preserving image of a trace-free tensor in five dimensions, normalised.
void fiveVector(const Matrix3& T, double x[5]) {
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
Direction downwardAxis(const Matrix3d& E, int column, const MessageSink& sink) {
    Vector3 v{static_cast<float>(E.a[0][column]), static_cast<float>(E.a[1][column]),
              static_cast<float>(E.a[2][column])};
    if (v.z > 0.0f) v = negateVector(v);
    Direction d = vectorToDirection(v, sink);
    d.az = angleMod(d.az, 360.0f);
    return d;
}

}  // namespace

Matrix3 tensorOfStressState(const Direction& sigma1, const Direction& sigma3, float phi) {
    const double p = phi;
    return traceFreeTensor(sigma1, sigma3, phi, std::sqrt(2.0 * p * p - 2.0 * p + 2.0));
}

Matrix3 tensorForDistance(const Direction& sigma1, const Direction& sigma3, float phi) {
    const double p = phi;
    return traceFreeTensor(sigma1, sigma3, phi, std::sqrt(3.0 * p * p - 3.0 * p + 3.0));
}

float thetaBetweenStressStates(const StressState& s1, const StressState& s2) {
    double x[5], y[5];
    fiveVector(tensorForDistance(s1.axis[Sigma1], s1.axis[Sigma3], s1.stressRatio), x);
    fiveVector(tensorForDistance(s2.axis[Sigma1], s2.axis[Sigma3], s2.stressRatio), y);
    float c = 0.0f;
    for (int k = 0; k < 5; ++k) c = static_cast<float>(double(c) + x[k] * y[k]);
    if (c > 1.0f) c = 1.0f;
    if (c < -1.0f) c = -1.0f;
    return static_cast<float>(std::acos(double(c)) / 3.141592653589793 * 180.0);
}

MeanStress meanAxesAndRatio(const Matrix3d& A, const MessageSink& sink) {
    Matrix3d single;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) single.a[i][j] = static_cast<float>(A.a[i][j]);
    const EigenSystem es = eigenVectors(single, sink);
    MeanStress m;
    m.sigma1 = downwardAxis(es.E, 0, sink);
    m.sigma3 = downwardAxis(es.E, 2, sink);
    const double spread = es.L[0] - es.L[2];
    // A tensor without spread (all principal values equal) has no defined ratio.
    m.phi = spread > 0.0 ? static_cast<float>((es.L[1] - es.L[2]) / spread) : 0.0f;
    return m;
}

float stressDifference(const Matrix3& D) {
    const auto& d = D.a;
    const double a = double(d[0][0]) - d[1][1], b = double(d[1][1]) - d[2][2], c = double(d[2][2]) - d[0][0];
    const double off = double(d[0][1]) * d[0][1] + double(d[1][2]) * d[1][2] + double(d[2][0]) * d[2][0];
    return static_cast<float>(std::sqrt(a * a + b * b + c * c + 6.0 * off) / 3.0);
}

GlobalAverage computeGlobalAverage(ResultModel& model, const PlotSettings& settings,
                                   const MessageSink& sink) {
    GlobalAverage out;
    const Selection sel = selectStates(model, settings);
    out.status = sel.status;
    out.symbolCount = sel.symbolCount;
    if (out.symbolCount < 1) {
        out.message = "No data loaded.";
        return out;
    }
    if (out.symbolCount < 3) {
        out.message = "Insufficient number of tensors.\r\nDecrease enhance factor.";
        return out;
    }
    const double W = static_cast<double>(sel.symbolCount);

    double S[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    for (const GridPoint& p : model.gridPoints) {
        if (p.plotCount <= 0) continue;
        const Matrix3 T = tensorOfStressState(p.axis[Sigma1], p.axis[Sigma3], p.stressRatio);
        for (int j = 0; j < 3; ++j)
            for (int k = j; k < 3; ++k) S[j][k] += p.plotCount * double(T.a[j][k]);
    }
    Matrix3d A;
    for (int j = 0; j < 3; ++j)
        for (int k = j; k < 3; ++k) A.a[j][k] = A.a[k][j] = S[j][k] / W;
    out.mean = meanAxesAndRatio(A, sink);

    const Matrix3 F = tensorOfStressState(out.mean.sigma1, out.mean.sigma3, out.mean.phi);
    double sum1 = 0.0, sum2 = 0.0;
    for (const GridPoint& p : model.gridPoints) {
        if (p.plotCount <= 0) continue;
        const Matrix3 T = tensorOfStressState(p.axis[Sigma1], p.axis[Sigma3], p.stressRatio);
        Matrix3 D;
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) D.a[j][k] = static_cast<float>(double(F.a[j][k]) - T.a[j][k]);
        const double d = stressDifference(D);
        // d is at most 2 for two tensors of the same norm; rounding may pass it.
        double half = d / 2.0;
        if (half > 1.0) half = 1.0;
        sum1 += d * p.plotCount;
        sum2 += 2.0 * std::asin(half) * p.plotCount;
    }
    out.meanStressDifference = static_cast<float>(sum1 / W);
    out.meanTheta = static_cast<float>(sum2 / W * 57.29579143313327);
    out.ok = true;
    return out;
}

std::vector<std::string> thetaDistanceText(const Direction& ax11, const Direction& ax13, float ph1,
                                           const Direction& ax21, const Direction& ax23, float ph2,
                                           float theta) {
    auto axis = [](const char* label, const Direction& d) {
        return std::string("  ") + label + " axis = " + formatFixed(d.az, 4, 1) + " / " + formatFixed(d.pl, 3, 1);
    };
    return {"Stress State 1",
            axis("sigma1", ax11),
            axis("sigma3", ax13),
            "  Phi =" + formatFixed(ph1, 4, 2),
            "",
            "Stress State 2",
            axis("sigma1", ax21),
            axis("sigma3", ax23),
            "  Phi =" + formatFixed(ph2, 4, 2),
            "",
            "Theta = " + formatFixed(theta, 5, 2) + " deg"};
}

std::vector<std::string> statisticsText(const std::string& fn, int enhanceFactor, std::int64_t symbolCount,
                                  const Direction& meanSigma1, const Direction& meanSigma3, float meanPhi,
                                  float /*spreadSigma1*/, float /*spreadSigma3*/, float /*spreadPhi*/,
                                  float meanStressDifference, float meanTheta) {
    auto axis = [](const char* label, const Direction& d) {
        return std::string("     ") + label + " axis =  " + formatFixed(d.az, 4, 1) + "  /  " +
               formatFixed(d.pl, 3, 1);
    };
    return {"File Name",
            "     " + fileNamePart(fn),
            "Enhance Factor = " + std::to_string(enhanceFactor),
            "Np = " + std::to_string(symbolCount),
            "Average",
            axis("sigma1", meanSigma1),
            axis("sigma3", meanSigma3),
            "     Phi         =  " + formatFixed(meanPhi, 3, 2),
            "Spread",
            "     mean stress difference =  " + formatFixed(meanStressDifference, 5, 3),
            "     mean angular stress distance =  " + formatFixed(meanTheta, 5, 3)};
}

}  // namespace quillon::viewer
