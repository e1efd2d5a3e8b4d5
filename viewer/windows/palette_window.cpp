#include "viewer/windows/palette_window.h"

#include <QColorDialog>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "viewer/model/palette_file.h"
#include "viewer/platform/emf_writer.h"
#include "viewer/platform/system_colors.h"
#include "viewer/platform/user_port.h"

namespace quillon::viewer {

namespace {

constexpr int kClientWidth = 357;
constexpr int kClientHeight = 327;
constexpr int kButtonFace = 15;   // index of the button-face system colour

const char* const kPaletteFilter = "Palette file (*.pal)|*.pal";

// What one cell shows: its background and a text drawn 2 pixels right of and
// below its top-left corner.
struct CellLook {
    QColor background;
    QString text;
    QColor textColor = Qt::black;
};
using CellLookFn = std::function<CellLook(int row, int column)>;

// Paints every cell of a grid from its look, whatever the grid's state
// (the red / green / blue tables are disabled but keep their colours).
class CellPainter final : public QStyledItemDelegate {
public:
    CellPainter(CellLookFn look, QObject* parent) : QStyledItemDelegate(parent), look_(std::move(look)) {}
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const CellLook look = look_(index.row(), index.column());
        p->save();
        p->fillRect(option.rect, look.background);
        if (!look.text.isEmpty()) {
            p->setPen(look.textColor);
            p->drawText(option.rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, look.text);
        }
        p->restore();
    }

private:
    CellLookFn look_;
};

// A string grid: `rows` x `columns` cells of `cellWidth` x `cellHeight`
// pixels, each followed by a one-pixel grid line, without headers or scroll
// bars, painted by `look`.
QTableWidget* makeGrid(QWidget* parent, int rows, int columns, int cellWidth, int cellHeight, bool border,
                       CellLookFn look) {
    auto* grid = new QTableWidget(rows, columns, parent);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->horizontalHeader()->setDefaultSectionSize(cellWidth + 1);
    grid->verticalHeader()->setDefaultSectionSize(cellHeight + 1);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setFocusPolicy(Qt::NoFocus);
    // A one-pixel border: a plain box is as wide as its line.
    grid->setFrameShape(border ? QFrame::Box : QFrame::NoFrame);
    grid->setFrameShadow(QFrame::Plain);
    grid->setLineWidth(1);
    grid->setItemDelegate(new CellPainter(std::move(look), grid));
    return grid;
}

QLabel* makeLabel(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->adjustSize();
    label->move(x, y);
    return label;
}

}  // namespace

PaletteWindow::PaletteWindow(platform::UserPort& port, QWidget* parent) : QMainWindow(parent), port_(port) {
    buildWindow();
}

void PaletteWindow::setPaletteSource(std::function<ColorTable()> source) { source_ = std::move(source); }

void PaletteWindow::setStartFolder(const QString& folder) { startFolder_ = folder; }

void PaletteWindow::buildWindow() {
    setObjectName("PaletteWindow");
    setWindowTitle(" Colors");
    // A dialog border: a fixed size, no maximising.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    QFont arial("Arial");
    arial.setPointSize(9);
    setFont(arial);

    auto* client = new QWidget(this);
    client->setObjectName("paletteClient");
    client->setAutoFillBackground(true);
    client->setBackgroundRole(QPalette::Button);
    setCentralWidget(client);
    setFixedSize(kClientWidth, kClientHeight);

    makeLabel(client, "Old", 45, 0);
    makeLabel(client, "New", 195, 0);

    auto rgbLook = [this](bool newTable) {
        return [this, newTable](int row, int column) {
            static const QColor kHeader[3] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255)};
            if (row == 0) return CellLook{kHeader[column], rgbText(newTable, row, column), Qt::white};
            return CellLook{platform::systemColor(kButtonFace), rgbText(newTable, row, column), Qt::black};
        };
    };
    oldRgbTable_ = makeGrid(client, 12, 3, 30, 20, true, rgbLook(false));
    oldRgbTable_->setObjectName("oldRgbTable");
    oldRgbTable_->setGeometry(8, 20, 94, 254);
    oldRgbTable_->setEnabled(false);
    newRgbTable_ = makeGrid(client, 12, 3, 30, 20, true, rgbLook(true));
    newRgbTable_->setObjectName("newRgbTable");
    newRgbTable_->setGeometry(160, 20, 94, 254);
    newRgbTable_->setEnabled(false);

    oldColumn_ = makeGrid(client, 11, 1, 20, 20, false, [this](int row, int) {
        return CellLook{platform::resolvedColor(oldColors_[size_t(row)]), {}, Qt::black};
    });
    oldColumn_->setObjectName("oldColumn");
    oldColumn_->setGeometry(106, 43, 20, 230);
    newColumn_ = makeGrid(client, 11, 1, 20, 20, false, [this](int row, int) {
        return CellLook{platform::resolvedColor(newColors_[size_t(row)]), {}, Qt::black};
    });
    newColumn_->setObjectName("newColumn");
    newColumn_->setGeometry(136, 43, 20, 230);
    newColumn_->viewport()->installEventFilter(this);
    newColumn_->setCursor(Qt::PointingHandCursor);

    makeLabel(client, "Click This Column", 143, 312);
    auto* lead = new QWidget(client);
    lead->setObjectName("clickLead");
    lead->setGeometry(146, 280, 1, 25);
    lead->setAutoFillBackground(true);
    lead->setBackgroundRole(QPalette::WindowText);

    auto* panel = new QFrame(client);
    panel->setObjectName("filePanel");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(256, 20, 97, 141);
    loadButton_ = new QPushButton("&Load Palette", panel);
    loadButton_->setObjectName("loadButton");
    loadButton_->setGeometry(8, 8, 81, 49);
    saveButton_ = new QPushButton("&Save Palette", panel);
    saveButton_->setObjectName("saveButton");
    saveButton_->setGeometry(8, 80, 81, 49);

    cancelButton_ = new QPushButton("&Cancel", client);
    cancelButton_->setObjectName("cancelButton");
    cancelButton_->setGeometry(261, 208, 92, 52);
    okButton_ = new QPushButton("&OK", client);
    okButton_->setObjectName("okButton");
    okButton_->setGeometry(261, 280, 92, 44);

    connect(loadButton_, &QPushButton::clicked, this, &PaletteWindow::loadPalette);
    connect(saveButton_, &QPushButton::clicked, this, &PaletteWindow::savePalette);
    connect(cancelButton_, &QPushButton::clicked, this, &PaletteWindow::cancelColors);
    connect(okButton_, &QPushButton::clicked, this, &PaletteWindow::acceptColors);
}

// ---------------------------------------------------------------- showing

void PaletteWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    if (source_) oldColors_ = source_();
    newColors_ = oldColors_;
    // The dialog's custom colours: the palette in use in slots 1 to 11 (a
    // system colour as the desktop shows it now), the other five cleared.
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, i < kPaletteSize ? platform::resolvedColor(oldColors_[size_t(i)])
                                                         : QColor(Qt::white));
    refreshOld();
    refreshNew();
}

void PaletteWindow::refreshOld() {
    oldColumn_->viewport()->update();
    oldRgbTable_->viewport()->update();
}

void PaletteWindow::refreshNew() {
    newColumn_->viewport()->update();
    newRgbTable_->viewport()->update();
}

QString PaletteWindow::rgbText(bool newTable, int row, int column) const {
    static const char* const kHeader[3] = {"Red", "Green", "Blue"};
    if (column < 0 || column > 2 || row < 0 || row > kPaletteSize) return {};
    if (row == 0) return kHeader[column];
    // The bytes as stored: a system colour shows its index and two zeros.
    const ColorValue v = (newTable ? newColors_ : oldColors_)[size_t(row - 1)];
    return QString::number((v >> (8 * column)) & 0xFFu);
}

// ---------------------------------------------------------------- picking

bool PaletteWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == newColumn_->viewport() && e->type() == QEvent::MouseButtonRelease) {
        pickColorAt(static_cast<QMouseEvent*>(e)->position().toPoint());
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void PaletteWindow::pickColorAt(const QPoint& pos) {
    // A release on no cell (dragged off the column) picks nothing, and then
    // no dialog is opened for it either.
    const QModelIndex cell = newColumn_->indexAt(pos);
    if (!cell.isValid() || !newColumn_->viewport()->rect().contains(pos)) return;
    const std::optional<QColor> chosen = port_.chooseColor(this, lastPicked_);
    if (!chosen || !chosen->isValid()) return;
    lastPicked_ = *chosen;
    const QColor rgb = chosen->toRgb();
    newColors_[size_t(cell.row())] = rgbColor(unsigned(rgb.red()), unsigned(rgb.green()), unsigned(rgb.blue()));
    refreshNew();
}

// ---------------------------------------------------------------- OK, Cancel

void PaletteWindow::acceptColors() {
    oldColors_ = newColors_;
    emit paletteAccepted(newColors_);
    hide();
}

void PaletteWindow::cancelColors() { hide(); }

// ---------------------------------------------------------------- files

void PaletteWindow::savePalette() {
    platform::FileDialogRequest req;
    req.title = "Save color palette to";
    req.filter = kPaletteFilter;
    req.defaultExt = "pal";
    req.initialName = startFolder_;
    const std::optional<QString> chosen = port_.saveFile(this, req);
    if (!chosen) return;
    const QString path =
        QFile::decodeName(QByteArray::fromStdString(withPaletteExtension(QFile::encodeName(*chosen).toStdString())));
    QString error;
    // Written whole or not at all: a failed save leaves any earlier file as it was.
    if (!platform::writeFileAtomically(path, QByteArray::fromStdString(formatPalette(newColors_)), &error))
        port_.message(this, "Cannot save the palette to \"" + path + "\":\r\n" + error);
}

void PaletteWindow::loadPalette() {
    platform::FileDialogRequest req;
    req.title = "Load palette from";
    req.filter = kPaletteFilter;
    req.initialName = startFolder_;
    const std::optional<QString> chosen = port_.openFile(this, req);
    if (!chosen) return;
    const PaletteRead read = readPaletteFile(QFile::encodeName(*chosen).toStdString());
    if (!read.ok) {
        port_.message(this, QFile::decodeName(QByteArray::fromStdString(read.message)));
        return;
    }
    newColors_ = read.colors;
    refreshNew();
}

// ---------------------------------------------------------------- remembered palette

std::optional<ColorTable> readRememberedPalette(const QString& programDir, platform::UserPort& port,
                                                QWidget* parent) {
    QString dir = programDir;
    if (!dir.isEmpty() && !dir.endsWith('/')) dir += '/';
    const QString path = dir + kRememberedPaletteName;
    if (!QFile::exists(path)) return std::nullopt;
    const PaletteRead read = readPaletteFile(QFile::encodeName(path).toStdString());
    if (!read.ok) {
        port.message(parent, "The colour palette of the last run could not be read:\r\n" +
                                 QFile::decodeName(QByteArray::fromStdString(read.message)) +
                                 "\r\nThe default colours are used.");
        return std::nullopt;
    }
    return read.colors;
}

bool writeRememberedPalette(const QString& programDir, const ColorTable& colors, QString* error) {
    QString dir = programDir;
    if (!dir.isEmpty() && !dir.endsWith('/')) dir += '/';
    return platform::writeFileAtomically(dir + kRememberedPaletteName, QByteArray::fromStdString(formatPalette(colors)),
                                         error);
}

}  // namespace quillon::viewer
