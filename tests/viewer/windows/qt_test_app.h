// One QApplication for a GoogleTest executable, created before the first
// test on the offscreen platform (no display needed, no dialog can block).
#pragma once

#include <QApplication>
#include <QImage>
#include <gtest/gtest.h>

namespace quillon::testing {

class QtAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!QApplication::instance()) {
            static int argc = 1;
            static char arg0[] = "quillon_test";
            static char* argv[] = {arg0, nullptr};
            app_ = new QApplication(argc, argv);
        }
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication* app_ = nullptr;
};

inline ::testing::Environment* const kQtAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

// Largest difference, over blocks of `block` x `block` pixels, between the
// mean red, green or blue value of the two images (0 = identical, 255 = a
// block white in one image and black in the other).  Averaging over blocks
// absorbs anti-aliasing and one-pixel outline differences between renderers;
// a missing or misplaced symbol still moves whole blocks.
inline int maxBlockDifference(const QImage& a0, const QImage& b0, int block) {
    if (a0.size() != b0.size()) return 255;
    const QImage a = a0.convertToFormat(QImage::Format_RGB32);
    const QImage b = b0.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int by = 0; by < a.height(); by += block) {
        for (int bx = 0; bx < a.width(); bx += block) {
            long sa[3] = {0, 0, 0}, sb[3] = {0, 0, 0};
            int n = 0;
            for (int y = by; y < std::min(by + block, a.height()); ++y) {
                const QRgb* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
                const QRgb* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
                for (int x = bx; x < std::min(bx + block, a.width()); ++x, ++n) {
                    sa[0] += qRed(ra[x]); sa[1] += qGreen(ra[x]); sa[2] += qBlue(ra[x]);
                    sb[0] += qRed(rb[x]); sb[1] += qGreen(rb[x]); sb[2] += qBlue(rb[x]);
                }
            }
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, int(std::abs(sa[c] - sb[c]) / n));
        }
    }
    return worst;
}

// Peak signal-to-noise ratio in dB over the red, green and blue values.
inline double psnr(const QImage& a0, const QImage& b0) {
    const QImage a = a0.convertToFormat(QImage::Format_RGB32);
    const QImage b = b0.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const double dr = qRed(ra[x]) - qRed(rb[x]), dg = qGreen(ra[x]) - qGreen(rb[x]),
                         db = qBlue(ra[x]) - qBlue(rb[x]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * a.width() * a.height());
    if (mse == 0) return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace quillon::testing
