#include "viewer/windows/about_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "viewer/plot/stress_plot.h"

namespace quillon::viewer {

namespace {

// The logo: a small sigma1 net with a few coloured tadpoles.
QPixmap logoPixmap() {
    QPixmap pm(64, 64);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(128, 128, 128), 2));
    p.drawEllipse(QRectF(4, 4, 56, 56));
    const ColorTable colors = defaultColors();
    const QPointF heads[] = {{24, 22}, {30, 26}, {38, 30}, {28, 38}, {42, 40}};
    for (int i = 0; i < 5; ++i) {
        const QColor c = toQColor(colors[size_t(2 * i)]);
        p.setPen(QPen(c, 2));
        p.drawLine(heads[i], heads[i] + QPointF(8, -6));
        p.fillRect(QRectF(heads[i] - QPointF(3, 3), QSizeF(6, 6)), c);
    }
    return pm;
}

// The banner: the eleven stress-ratio colours as a strip.
QPixmap bannerPixmap() {
    QPixmap pm(220, 14);
    QPainter p(&pm);
    const ColorTable colors = defaultColors();
    for (int i = 0; i <= 10; ++i) p.fillRect(QRect(i * 20, 0, 20, 14), toQColor(colors[size_t(i)]));
    return pm;
}

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("QL Visualizer");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* logo = new QLabel;
    logo->setPixmap(logoPixmap());
    top->addWidget(logo);
    auto* names = new QVBoxLayout;
    auto* name = new QLabel("QL Viewer");
    name->setObjectName("productName");
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 4);
    name->setFont(bold);
    names->addWidget(name);
    auto* version = new QLabel("ver. 4.17");
    version->setObjectName("Version");
    names->addWidget(version);
    top->addLayout(names);
    layout->addLayout(top);
    auto* banner = new QLabel;
    banner->setPixmap(bannerPixmap());
    layout->addWidget(banner);
    auto* comments = new QLabel("Post Processor of the Quillon\n\n"
                                "Stress inversion of fault-slip data\n"
                                "and focal mechanisms.\n"
                                "The Quillon project");
    comments->setObjectName("Comments");
    layout->addWidget(comments);
    auto* ok = new QPushButton("OK");
    ok->setObjectName("okButton");
    connect(ok, &QPushButton::clicked, this, &QWidget::hide);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

}  // namespace quillon::viewer
