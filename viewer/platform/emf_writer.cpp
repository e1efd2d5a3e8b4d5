#include "viewer/platform/emf_writer.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <QSaveFile>
#include <QTextItem>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace quillon::platform {

namespace {

// Record types of the EMF format.
enum : quint32 {
    EMR_HEADER = 1,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_EOF = 14,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_MOVETOEX = 27,
    EMR_SELECTOBJECT = 37,
    EMR_DELETEOBJECT = 40,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_LINETO = 54,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYPOLYGON16 = 91,
    EMR_EXTCREATEPEN = 95,
};

constexpr quint32 kNullBrush = 0x80000005;
constexpr quint32 kNullPen = 0x80000008;
constexpr quint32 kPsGeometric = 0x00010000;
constexpr quint32 kPsEndcapRound = 0x0000, kPsEndcapSquare = 0x0100, kPsEndcapFlat = 0x0200;
constexpr quint32 kPsJoinRound = 0x0000, kPsJoinBevel = 0x1000, kPsJoinMiter = 0x2000;
constexpr quint32 kPsSolid = 0, kPsDash = 1, kPsDot = 2, kPsDashDot = 3, kPsDashDotDot = 4;
constexpr quint32 kSystemFont = 0x8000000D;
// Every distinct pen, brush and font is created once and selected again by
// its handle; a picture with more distinct objects than this starts a new
// object table.
constexpr int kMaxObjects = 256;

quint32 colorRef(const QColor& c) {
    const QRgb rgb = c.rgb();
    return quint32(qRed(rgb)) | (quint32(qGreen(rgb)) << 8) | (quint32(qBlue(rgb)) << 16);
}

qint32 toLogical(qreal v) {
    const qreal r = std::nearbyint(v);
    if (r > 1e8) return 100000000;
    if (r < -1e8) return -100000000;
    return qint32(r);
}

class RecordBuffer {
public:
    void u32(quint32 v) { append(&v, 4); }
    void i32(qint32 v) { append(&v, 4); }
    void i16(qint16 v) { append(&v, 2); }
    void u16(quint16 v) { append(&v, 2); }
    void u8(quint8 v) { bytes_.append(char(v)); }
    void f32(float v) { append(&v, 4); }
    void pad4() { while (bytes_.size() % 4) bytes_.append('\0'); }
    QByteArray& bytes() { return bytes_; }

private:
    void append(const void* p, int n) {
        // EMF is little endian; so are the machines we build for, but keep
        // the byte order explicit.
        unsigned char b[4];
        std::memcpy(b, p, n);
        if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN) std::reverse(b, b + n);
        bytes_.append(reinterpret_cast<const char*>(b), n);
    }
    QByteArray bytes_;
};

}  // namespace

class EmfPaintEngine final : public QPaintEngine {
public:
    EmfPaintEngine(QSize size, int dpi)
        : QPaintEngine(QPaintEngine::AllFeatures), size_(size), dpi_(dpi) {}

    bool begin(QPaintDevice*) override {
        body_.bytes().clear();
        records_ = 0;
        result_.clear();
        objects_.clear();
        nextHandle_ = 1;
        maxHandle_ = 0;
        penKey_.clear();
        brushKey_.clear();
        fontKey_.clear();
        textColor_ = std::numeric_limits<quint32>::max();
        fillRule_ = -1;
        simple(EMR_SETMAPMODE, 1);       // MM_TEXT: one logical unit is one pixel
        simple(EMR_SETBKMODE, 1);        // TRANSPARENT
        simple(EMR_SETTEXTALIGN, 24);    // TA_BASELINE | TA_LEFT
        setActive(true);
        return true;
    }

    bool end() override {
        {
            RecordBuffer eof;
            eof.u32(EMR_EOF);
            eof.u32(20);
            eof.u32(0);
            eof.u32(16);
            eof.u32(20);
            body_.bytes().append(eof.bytes());
            ++records_;
        }
        RecordBuffer h;
        constexpr quint32 headerSize = 108;
        const qint32 w = std::max(1, size_.width()), ht = std::max(1, size_.height());
        const double mmPerPx = 25.4 / dpi_;
        h.u32(EMR_HEADER);
        h.u32(headerSize);
        // Bounds (device units, inclusive) and frame (0.01 mm, inclusive).
        h.i32(0); h.i32(0); h.i32(w - 1); h.i32(ht - 1);
        h.i32(0); h.i32(0);
        h.i32(qint32(std::lround((w - 1) * mmPerPx * 100)));
        h.i32(qint32(std::lround((ht - 1) * mmPerPx * 100)));
        h.u32(0x464D4520);                // " EMF"
        h.u32(0x00010000);                // version
        h.u32(quint32(headerSize + body_.bytes().size()));
        h.u32(quint32(records_ + 1));
        h.u16(quint16(maxHandle_ + 1));
        h.u16(0);
        h.u32(0); h.u32(0);               // no description
        h.u32(0);                         // no palette
        h.i32(w); h.i32(ht);              // reference device in pixels
        h.i32(qint32(std::lround(w * mmPerPx)));
        h.i32(qint32(std::lround(ht * mmPerPx)));
        h.u32(0); h.u32(0); h.u32(0);     // no pixel format, not OpenGL
        h.i32(qint32(std::lround(w * mmPerPx * 1000)));
        h.i32(qint32(std::lround(ht * mmPerPx * 1000)));
        result_ = h.bytes() + body_.bytes();
        setActive(false);
        return true;
    }

    void updateState(const QPaintEngineState& st) override {
        const auto f = st.state();
        if (f & DirtyPen) pen_ = st.pen();
        if (f & DirtyBrush) brush_ = st.brush();
        if (f & DirtyFont) font_ = st.font();
        if (f & DirtyTransform) transform_ = st.transform();
    }

    void drawRects(const QRectF* rects, int n) override {
        for (int i = 0; i < n; ++i) drawBox(EMR_RECTANGLE, rects[i]);
    }
    void drawRects(const QRect* rects, int n) override {
        for (int i = 0; i < n; ++i) drawBox(EMR_RECTANGLE, QRectF(rects[i]));
    }
    void drawEllipse(const QRectF& r) override { drawBox(EMR_ELLIPSE, r); }
    void drawEllipse(const QRect& r) override { drawBox(EMR_ELLIPSE, QRectF(r)); }

    void drawLines(const QLineF* lines, int n) override {
        if (pen_.style() == Qt::NoPen) return;
        selectPenAndBrush(false);
        for (int i = 0; i < n; ++i) {
            const QPointF a = transform_.map(lines[i].p1()), b = transform_.map(lines[i].p2());
            pointRecord(EMR_MOVETOEX, a);
            pointRecord(EMR_LINETO, b);
        }
    }
    void drawLines(const QLine* lines, int n) override {
        for (int i = 0; i < n; ++i) {
            const QLineF l(lines[i]);
            drawLines(&l, 1);
        }
    }

    void drawPolygon(const QPointF* pts, int n, PolygonDrawMode mode) override {
        std::vector<QPointF> mapped(pts, pts + n);
        for (auto& p : mapped) p = transform_.map(p);
        if (mode == PolylineMode) {
            if (pen_.style() == Qt::NoPen) return;
            selectPenAndBrush(false);
            polyRecord(EMR_POLYLINE16, EMR_POLYLINE, mapped);
        } else {
            setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
            selectPenAndBrush(true);
            polyRecord(EMR_POLYGON16, EMR_POLYGON, mapped);
        }
    }
    void drawPolygon(const QPoint* pts, int n, PolygonDrawMode mode) override {
        std::vector<QPointF> f(pts, pts + n);
        drawPolygon(f.data(), n, mode);
    }

    void drawPath(const QPainterPath& path) override {
        // Curves are flattened; filled paths become one poly-polygon so that
        // holes stay holes, the outline is stroked subpath by subpath.
        const QList<QPolygonF> subpaths = path.toSubpathPolygons(transform_);
        if (subpaths.isEmpty()) return;
        const bool fill = brush_.style() != Qt::NoBrush;
        bool allClosed = true;
        for (const auto& poly : subpaths)
            if (poly.size() < 3 || poly.first() != poly.last()) allClosed = false;
        if (fill) {
            setFillRule(path.fillRule());
            selectPenAndBrush(true, /*withPen=*/allClosed);
            polyPolygonRecord(subpaths);
        }
        if (pen_.style() != Qt::NoPen && (!fill || !allClosed)) {
            selectPenAndBrush(false);
            for (const auto& poly : subpaths) {
                std::vector<QPointF> pts(poly.begin(), poly.end());
                polyRecord(EMR_POLYLINE16, EMR_POLYLINE, pts);
            }
        }
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        const QString text = item.text();
        if (text.isEmpty()) return;
        const QFont font = item.font();
        const QPointF ref = transform_.map(p);
        const double scale = std::sqrt(std::abs(transform_.determinant()));
        const double angle = std::atan2(transform_.m12(), transform_.m11()) * 180.0 / M_PI;
        selectFont(font, scale, angle);
        const quint32 color = colorRef(pen_.color());
        if (color != textColor_) {
            simple(EMR_SETTEXTCOLOR, color);
            textColor_ = color;
        }
        QFontMetricsF fm(font);
        const int nChars = int(text.size());
        std::vector<qint32> dx(nChars);
        double pos = 0, prev = 0;
        for (int i = 0; i < nChars; ++i) {
            pos += fm.horizontalAdvance(text.at(i)) * scale;
            dx[i] = qint32(std::lround(pos) - std::lround(prev));
            prev = pos;
        }
        const QRectF box = transform_.mapRect(QRectF(p.x(), p.y() - fm.ascent(),
                                                     fm.horizontalAdvance(text), fm.height()));
        RecordBuffer r;
        const quint32 fixed = 76;
        const quint32 strBytes = quint32((nChars * 2 + 3) / 4 * 4);
        const quint32 size = fixed + strBytes + quint32(nChars) * 4;
        r.u32(EMR_EXTTEXTOUTW);
        r.u32(size);
        r.i32(toLogical(box.left())); r.i32(toLogical(box.top()));
        r.i32(toLogical(box.right())); r.i32(toLogical(box.bottom()));
        r.u32(1);                          // GM_COMPATIBLE
        r.f32(1.0f); r.f32(1.0f);
        r.i32(toLogical(ref.x())); r.i32(toLogical(ref.y()));
        r.u32(quint32(nChars));
        r.u32(fixed);                      // offString
        r.u32(0);                          // options
        r.i32(0); r.i32(0); r.i32(-1); r.i32(-1);   // no clipping rectangle
        r.u32(fixed + strBytes);           // offDx
        for (QChar c : text) r.u16(c.unicode());
        r.pad4();
        for (qint32 d : dx) r.i32(d);
        append(r);
    }

    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {}

    Type type() const override { return QPaintEngine::User; }

    QByteArray result() const { return result_; }

private:
    void append(RecordBuffer& r) {
        body_.bytes().append(r.bytes());
        ++records_;
    }
    void simple(quint32 type, quint32 value) {
        RecordBuffer r;
        r.u32(type);
        r.u32(12);
        r.u32(value);
        append(r);
    }
    void pointRecord(quint32 type, QPointF p) {
        RecordBuffer r;
        r.u32(type);
        r.u32(16);
        r.i32(toLogical(p.x()));
        r.i32(toLogical(p.y()));
        append(r);
    }

    void setFillRule(Qt::FillRule rule) {
        const int mode = rule == Qt::WindingFill ? 2 : 1;
        if (mode == fillRule_) return;
        simple(EMR_SETPOLYFILLMODE, quint32(mode));
        fillRule_ = mode;
    }

    // Selects the current pen (or the null pen) and the current brush (or the
    // null brush when the figure is not filled).
    void selectPenAndBrush(bool filled, bool withPen = true) {
        selectPen(withPen ? pen_ : QPen(Qt::NoPen));
        selectBrush(filled ? brush_ : QBrush(Qt::NoBrush));
    }

    void selectPen(const QPen& pen) {
        if (pen.style() == Qt::NoPen) {
            if (penKey_ == "null") return;
            selectObject(kNullPen);
            penKey_ = "null";
            return;
        }
        const double scale = std::sqrt(std::abs(transform_.determinant()));
        const qint32 width = pen.isCosmetic() ? std::max(1, toLogical(pen.widthF()))
                                              : std::max(1, toLogical(pen.widthF() * scale));
        quint32 style = kPsGeometric;
        switch (pen.capStyle()) {
            case Qt::FlatCap: style |= kPsEndcapFlat; break;
            case Qt::SquareCap: style |= kPsEndcapSquare; break;
            default: style |= kPsEndcapRound; break;
        }
        switch (pen.joinStyle()) {
            case Qt::BevelJoin: style |= kPsJoinBevel; break;
            case Qt::RoundJoin: style |= kPsJoinRound; break;
            default: style |= kPsJoinMiter; break;
        }
        switch (pen.style()) {
            case Qt::DashLine: style |= kPsDash; break;
            case Qt::DotLine: style |= kPsDot; break;
            case Qt::DashDotLine: style |= kPsDashDot; break;
            case Qt::DashDotDotLine: style |= kPsDashDotDot; break;
            default: style |= kPsSolid; break;
        }
        const quint32 color = colorRef(pen.color());
        const QByteArray key = "pen," + QByteArray::number(style) + ',' + QByteArray::number(width) + ',' +
                               QByteArray::number(color);
        if (key == penKey_) return;
        if (!selectCached(key)) {
            const quint32 handle = newHandle();
            RecordBuffer r;
            r.u32(EMR_EXTCREATEPEN);
            r.u32(52);
            r.u32(handle);
            r.u32(52); r.u32(0); r.u32(52); r.u32(0);   // no brush bitmap
            r.u32(style);
            r.u32(quint32(width));
            r.u32(0);                                     // BS_SOLID
            r.u32(color);
            r.u32(0);                                     // no hatch
            r.u32(0);                                     // no style entries
            append(r);
            remember(key, handle);
        }
        penKey_ = key;
    }

    void selectBrush(const QBrush& brush) {
        if (brush.style() == Qt::NoBrush) {
            if (brushKey_ == "null") return;
            selectObject(kNullBrush);
            brushKey_ = "null";
            return;
        }
        const quint32 color = colorRef(brush.color());
        const QByteArray key = "brush," + QByteArray::number(color);
        if (key == brushKey_) return;
        if (!selectCached(key)) {
            const quint32 handle = newHandle();
            RecordBuffer r;
            r.u32(EMR_CREATEBRUSHINDIRECT);
            r.u32(24);
            r.u32(handle);
            r.u32(0);                                     // BS_SOLID
            r.u32(color);
            r.u32(0);
            append(r);
            remember(key, handle);
        }
        brushKey_ = key;
    }

    void selectFont(const QFont& font, double scale, double angle) {
        const double px = font.pixelSize() > 0 ? font.pixelSize()
                                               : font.pointSizeF() * dpi_ / 72.0;
        const qint32 height = -std::max(1, toLogical(px * scale));
        const qint32 escapement = toLogical(-angle * 10.0);
        const QString family = font.family().left(31);
        const QByteArray key = "font," + family.toUtf8() + ',' + QByteArray::number(height) + ',' +
                               QByteArray::number(escapement) + ',' +
                               QByteArray::number(font.weight()) + ',' +
                               QByteArray::number(font.italic());
        if (key == fontKey_) return;
        if (!selectCached(key)) {
            const quint32 handle = newHandle();
            RecordBuffer r;
            r.u32(EMR_EXTCREATEFONTINDIRECTW);
            r.u32(104);
            r.u32(handle);
            r.i32(height);
            r.i32(0);
            r.i32(escapement);
            r.i32(escapement);
            // QFont weights are 100..900 like the EMF ones.
            r.i32(font.weight());
            r.u8(font.italic() ? 1 : 0);
            r.u8(font.underline() ? 1 : 0);
            r.u8(font.strikeOut() ? 1 : 0);
            r.u8(1);                                      // DEFAULT_CHARSET
            r.u8(0); r.u8(0); r.u8(0); r.u8(0);
            for (int i = 0; i < 32; ++i) r.u16(i < family.size() ? family.at(i).unicode() : 0);
            append(r);
            remember(key, handle);
        }
        fontKey_ = key;
    }

    void selectObject(quint32 handle) {
        RecordBuffer r;
        r.u32(EMR_SELECTOBJECT);
        r.u32(12);
        r.u32(handle);
        append(r);
    }
    bool selectCached(const QByteArray& key) {
        const auto it = objects_.constFind(key);
        if (it == objects_.cend()) return false;
        selectObject(it.value());
        return true;
    }
    // A handle for a new object; a full table is emptied first (stock
    // objects selected, every created object deleted).
    quint32 newHandle() {
        if (objects_.size() >= kMaxObjects) {
            selectObject(kNullPen);
            selectObject(kNullBrush);
            selectObject(kSystemFont);
            for (quint32 h : std::as_const(objects_)) {
                RecordBuffer r;
                r.u32(EMR_DELETEOBJECT);
                r.u32(12);
                r.u32(h);
                append(r);
            }
            objects_.clear();
            nextHandle_ = 1;
            penKey_ = "null";
            brushKey_ = "null";
            fontKey_.clear();
        }
        const quint32 h = nextHandle_++;
        maxHandle_ = std::max(maxHandle_, h);
        return h;
    }
    void remember(const QByteArray& key, quint32 handle) {
        objects_.insert(key, handle);
        selectObject(handle);
    }

    void drawBox(quint32 type, const QRectF& rect) {
        const bool filled = brush_.style() != Qt::NoBrush;
        if (!filled && pen_.style() == Qt::NoPen) return;
        if (!transform_.isAffine() || transform_.isRotating()) {
            QPainterPath path;
            if (type == EMR_RECTANGLE) path.addRect(rect); else path.addEllipse(rect);
            drawPath(path);
            return;
        }
        const QRectF r = transform_.mapRect(rect);
        selectPenAndBrush(filled);
        RecordBuffer b;
        b.u32(type);
        b.u32(24);
        b.i32(toLogical(r.left()));
        b.i32(toLogical(r.top()));
        b.i32(toLogical(r.right()));
        b.i32(toLogical(r.bottom()));
        append(b);
    }

    static void bounds(const std::vector<QPointF>& pts, RecordBuffer& r) {
        qreal l = pts[0].x(), t = pts[0].y(), rr = l, b = t;
        for (const auto& p : pts) {
            l = std::min(l, p.x()); rr = std::max(rr, p.x());
            t = std::min(t, p.y()); b = std::max(b, p.y());
        }
        r.i32(toLogical(l)); r.i32(toLogical(t)); r.i32(toLogical(rr)); r.i32(toLogical(b));
    }
    static bool fits16(const std::vector<QPointF>& pts) {
        for (const auto& p : pts)
            if (std::abs(p.x()) > 32767 || std::abs(p.y()) > 32767) return false;
        return true;
    }

    void polyRecord(quint32 type16, quint32 type32, const std::vector<QPointF>& pts) {
        if (pts.size() < 2) return;
        const bool small = fits16(pts);
        const quint32 n = quint32(pts.size());
        RecordBuffer r;
        r.u32(small ? type16 : type32);
        r.u32(28 + n * (small ? 4 : 8));
        bounds(pts, r);
        r.u32(n);
        for (const auto& p : pts) {
            if (small) {
                r.i16(qint16(toLogical(p.x())));
                r.i16(qint16(toLogical(p.y())));
            } else {
                r.i32(toLogical(p.x()));
                r.i32(toLogical(p.y()));
            }
        }
        append(r);
    }

    void polyPolygonRecord(const QList<QPolygonF>& polys) {
        std::vector<QPointF> all;
        std::vector<quint32> counts;
        for (const auto& poly : polys) {
            if (poly.size() < 2) continue;
            counts.push_back(quint32(poly.size()));
            all.insert(all.end(), poly.begin(), poly.end());
        }
        if (all.empty()) return;
        if (!fits16(all)) {
            for (const auto& poly : polys) {
                std::vector<QPointF> pts(poly.begin(), poly.end());
                polyRecord(EMR_POLYGON16, EMR_POLYGON, pts);
            }
            return;
        }
        RecordBuffer r;
        r.u32(EMR_POLYPOLYGON16);
        r.u32(quint32(32 + counts.size() * 4 + all.size() * 4));
        bounds(all, r);
        r.u32(quint32(counts.size()));
        r.u32(quint32(all.size()));
        for (quint32 c : counts) r.u32(c);
        for (const auto& p : all) {
            r.i16(qint16(toLogical(p.x())));
            r.i16(qint16(toLogical(p.y())));
        }
        append(r);
    }

    QSize size_;
    int dpi_;
    RecordBuffer body_;
    quint32 records_ = 0;
    QByteArray result_;
    QPen pen_;
    QBrush brush_;
    QFont font_;
    QTransform transform_;
    QByteArray penKey_, brushKey_, fontKey_;
    QHash<QByteArray, quint32> objects_;
    quint32 nextHandle_ = 1, maxHandle_ = 0;
    quint32 textColor_ = std::numeric_limits<quint32>::max();
    int fillRule_ = -1;
};

EmfDevice::EmfDevice(QSize size, int dpi)
    : size_(size), dpi_(dpi), engine_(std::make_unique<EmfPaintEngine>(size, dpi)) {}

EmfDevice::~EmfDevice() = default;

QPaintEngine* EmfDevice::paintEngine() const { return engine_.get(); }

QByteArray EmfDevice::data() const { return engine_->result(); }

int EmfDevice::metric(PaintDeviceMetric m) const {
    switch (m) {
        case PdmWidth: return size_.width();
        case PdmHeight: return size_.height();
        case PdmWidthMM: return int(std::lround(size_.width() * 25.4 / dpi_));
        case PdmHeightMM: return int(std::lround(size_.height() * 25.4 / dpi_));
        case PdmNumColors: return std::numeric_limits<int>::max();
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return dpi_;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
        default: return 0;
    }
}

QByteArray paintToEmf(const PaintFn& paint, QSize size) {
    EmfDevice device(size);
    QPainter p(&device);
    paint(p);
    p.end();
    return device.data();
}

QByteArray pictureToEmf(const QPicture& picture, QSize size) {
    return paintToEmf([&](QPainter& p) { p.drawPicture(0, 0, picture); }, size);
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        if (error) *error = f.errorString();
        return false;
    }
    return true;
}

}  // namespace quillon::platform
