// make_manual: typesets the user manual from its Markdown chapters into one PDF.
//
//   make_manual --output man_e.pdf --figures DIR --title TEXT [--subtitle LINE]...
//               [--contents TEXT] [--font FAMILY] CHAPTER.md...
//
// The chapters are read as UTF-8 Markdown (CommonMark with pipe tables), joined
// in the order given, each starting on a new page. The PDF holds a title page,
// a table of contents with page numbers (chapters and their sections), the
// chapters, and a page number at the foot of every page after the title. Every
// picture a chapter names as figures/NAME must exist under DIR: a missing one
// fails the build rather than printing a manual with a hole in it.
//
// Layout is done in points: the PDF writer runs at 72 dots per inch, so one
// unit of the text document is one point on the A4 page.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr double kPageWidth = 595.0;   // A4 in points
constexpr double kPageHeight = 842.0;
constexpr double kMarginSide = 62.0;
constexpr double kMarginTop = 56.0;
constexpr double kMarginBottom = 62.0;  // the page number sits in this margin
constexpr double kTextWidth = kPageWidth - 2 * kMarginSide;
constexpr double kTextHeight = kPageHeight - kMarginTop - kMarginBottom;
// Blank bands at the top and bottom of every laid-out page, inside the text
// area: a line moved to a new page starts below its top band, so glyphs that
// rise above their line box do not leak onto the foot of the page before.
constexpr double kPageGuard = 6.0;

struct Options {
    QString output;
    QString figures;
    QString title;
    QString subtitle;
    QString contentsTitle = "Contents";
    QString font = "Liberation Sans";
    QString monospaceFont = "Liberation Mono";
    QStringList chapters;
};

[[noreturn]] void fail(const QString& text) {
    std::fprintf(stderr, "make_manual: %s\n", text.toLocal8Bit().constData());
    std::exit(1);
}

Options parseArguments(const QStringList& args) {
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size()) fail(a + " needs a value");
            return args[++i];
        };
        if (a == "--output") o.output = value();
        else if (a == "--figures") o.figures = value();
        else if (a == "--title") o.title = value();
        else if (a == "--subtitle") o.subtitle += (o.subtitle.isEmpty() ? "" : "\n") + value();
        else if (a == "--contents") o.contentsTitle = value();
        else if (a == "--font") o.font = value();
        else if (a == "--monospace-font") o.monospaceFont = value();
        else if (a.startsWith("--")) fail("unknown option " + a);
        else o.chapters << a;
    }
    if (o.output.isEmpty() || o.figures.isEmpty() || o.title.isEmpty() || o.chapters.isEmpty())
        fail("usage: make_manual --output PDF --figures DIR --title TEXT [--subtitle TEXT] "
             "[--contents TEXT] [--font FAMILY] [--monospace-font FAMILY] CHAPTER.md...");
    return o;
}

QString readChapter(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) fail(path + ": cannot be read (" + f.errorString() + ")");
    const QString text = QString::fromUtf8(f.readAll());
    if (!text.startsWith("# ")) fail(path + ", line 1: a chapter starts with one \"# Title\" line");
    return text;
}

// Registers every figures/NAME picture the text names, scaled later to the page.
void loadFigures(QTextDocument& doc, const QString& markdown, const Options& o, const QStringList& sources) {
    static const QRegularExpression image(R"(!\[[^\]]*\]\((figures/[^)\s]+)\))");
    for (auto it = image.globalMatch(markdown); it.hasNext();) {
        const QString name = it.next().captured(1);
        const QString path = o.figures + "/" + name.mid(QString("figures/").size());
        QImage picture(path);
        if (picture.isNull()) fail(path + ": figure missing or unreadable (named in " + sources.join(", ") + ")");
        doc.addResource(QTextDocument::ImageResource, QUrl(name), picture);
    }
}

void setFont(QTextCharFormat& f, const QString& family, double points) {
    f.setFontFamilies({family});
    f.setFontPointSize(points);
}

// Turns the imported Markdown into a printed page: fonts, headings, code
// blocks, tables, figure sizes and a page break before every chapter.
void styleDocument(QTextDocument& doc, const Options& o) {
    QFont base(o.font);
    base.setPointSizeF(10.0);
    doc.setDefaultFont(base);
    doc.setDocumentMargin(0);

    bool firstChapter = true;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat bf = block.blockFormat();
        const int level = bf.headingLevel();
        const bool code = bf.hasProperty(QTextFormat::BlockCodeFence) || bf.nonBreakableLines();
        if (level > 0) {
            bf.setTopMargin(level == 1 ? 0.0 : level == 2 ? 16.0 : 10.0);
            bf.setBottomMargin(level == 1 ? 14.0 : 6.0);
            if (level == 1) {
                if (!firstChapter) bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                firstChapter = false;
            }
            cursor.setBlockFormat(bf);
        } else if (code) {
            bf.setBackground(QColor(0xf0, 0xf0, 0xf0));
            bf.setLeftMargin(6.0);
            bf.setTopMargin(0.0);
            bf.setBottomMargin(0.0);
            cursor.setBlockFormat(bf);
        } else {
            bf.setBottomMargin(5.0);
            bf.setLineHeight(2.5, QTextBlockFormat::LineDistanceHeight);
            cursor.setBlockFormat(bf);
        }
        // Character formats fragment by fragment: headings, code, figures.
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat cf = fragment.charFormat();
            QTextCursor fc(&doc);
            fc.setPosition(fragment.position());
            fc.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            if (level > 0) {
                // The import sizes headings by a relative adjustment, which
                // would win over an explicit size: drop it.
                QTextCharFormat heading = cf;
                heading.clearProperty(QTextFormat::FontSizeAdjustment);
                setFont(heading, o.font, level == 1 ? 20.0 : level == 2 ? 14.0 : 11.5);
                heading.setFontWeight(QFont::Bold);
                fc.setCharFormat(heading);
            } else if (code) {
                QTextCharFormat mono;
                setFont(mono, o.monospaceFont, 8.0);
                fc.mergeCharFormat(mono);
            } else if (cf.isImageFormat()) {
                QTextImageFormat image = cf.toImageFormat();
                const QImage picture = doc.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
                if (picture.isNull()) continue;
                double width = kTextWidth * 0.8;
                double height = width * picture.height() / picture.width();
                if (height > kTextHeight * 0.45) {
                    height = kTextHeight * 0.45;
                    width = height * picture.width() / picture.height();
                }
                image.setWidth(width);
                image.setHeight(height);
                fc.setCharFormat(image);
                QTextBlockFormat centred = block.blockFormat();
                centred.setAlignment(Qt::AlignHCenter);
                centred.setTopMargin(8.0);
                centred.setLineHeight(100, QTextBlockFormat::ProportionalHeight);
                QTextCursor(block).setBlockFormat(centred);
            } else if (cf.fontFixedPitch()) {
                QTextCharFormat mono;
                setFont(mono, o.monospaceFont, 9.0);
                fc.mergeCharFormat(mono);
            }
        }
    }
    // Tables: thin ruled cells across the text width.
    std::vector<QTextTable*> tables;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (QTextTable* t = QTextCursor(block).currentTable())
            if (tables.empty() || tables.back() != t) tables.push_back(t);
    }
    for (QTextTable* t : tables) {
        QTextTableFormat tf = t->format();
        tf.setBorder(0.75);
        tf.setBorderBrush(QColor(0x80, 0x80, 0x80));
        tf.setBorderCollapse(true);
        tf.setCellPadding(3.0);
        tf.setCellSpacing(0.0);
        tf.setTopMargin(4.0);
        tf.setBottomMargin(8.0);
        tf.setHeaderRowCount(1);  // repeated on the next page when a table breaks
        t->setFormat(tf);
        for (int c = 0; c < t->columns(); ++c) {
            QTextTableCell head = t->cellAt(0, c);
            QTextTableCellFormat hf = head.format().toTableCellFormat();
            hf.setBackground(QColor(0xe8, 0xe8, 0xe8));
            head.setFormat(hf);
        }
    }
}

struct Heading {
    int level;
    QString text;
    int page;  // 0-based page of the chapters' document
};

std::vector<Heading> headingsOf(QTextDocument& doc) {
    std::vector<Heading> out;
    auto* layout = doc.documentLayout();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level < 1 || level > 2) continue;
        const double top = layout->blockBoundingRect(block).top();
        out.push_back({level, block.text().trimmed(), int(top / doc.pageSize().height())});
    }
    return out;
}

QString escaped(const QString& s) { return s.toHtmlEscaped(); }

// The table of contents: one row per chapter and section, page numbers right.
void buildContents(QTextDocument& doc, const Options& o, const std::vector<Heading>& headings, int firstPage) {
    QString html = "<h1>" + escaped(o.contentsTitle) + "</h1><table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\">";
    for (const Heading& h : headings) {
        const QString style = h.level == 1 ? "font-weight:bold; padding-top:6px;" : "padding-left:18px;";
        html += "<tr><td style=\"" + style + "\">" + escaped(h.text) + "</td><td align=\"right\" style=\"" +
                (h.level == 1 ? QString("font-weight:bold;") : QString()) + "\">" +
                QString::number(firstPage + h.page + 1) + "</td></tr>";
    }
    html += "</table>";
    QFont base(o.font);
    base.setPointSizeF(10.0);
    doc.setDefaultFont(base);
    doc.setDocumentMargin(0);
    doc.setHtml(html);
    QTextCursor c(doc.begin());
    c.select(QTextCursor::BlockUnderCursor);
    QTextCharFormat title;
    setFont(title, o.font, 20.0);
    title.setFontWeight(QFont::Bold);
    c.mergeCharFormat(title);
}

// Lays the document out in pages of the text area, with the guard bands.
void paginate(QTextDocument& doc) {
    QTextFrameFormat root = doc.rootFrame()->frameFormat();
    root.setMargin(0);
    root.setTopMargin(kPageGuard);
    root.setBottomMargin(kPageGuard);
    doc.rootFrame()->setFrameFormat(root);
    doc.setPageSize(QSizeF(kTextWidth, kTextHeight + 2 * kPageGuard));
}

int pageCount(const QTextDocument& doc) { return std::max(1, doc.pageCount()); }

void paintPages(QPainter& painter, QPdfWriter& writer, QTextDocument& doc, int& pageNumber, const QFont& footFont) {
    const int pages = pageCount(doc);
    for (int p = 0; p < pages; ++p) {
        writer.newPage();
        ++pageNumber;
        painter.save();
        const double pageHeight = doc.pageSize().height();
        painter.translate(kMarginSide, kMarginTop - kPageGuard - p * pageHeight);
        const QRectF view(0, p * pageHeight, kTextWidth, pageHeight);
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        doc.documentLayout()->draw(&painter, context);
        painter.restore();
        painter.setFont(footFont);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, kPageHeight - kMarginBottom + 18, kPageWidth, 20), Qt::AlignHCenter,
                         QString::number(pageNumber));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const Options o = parseArguments(app.arguments());

    QString markdown;
    for (const QString& path : o.chapters) {
        QString chapter = readChapter(path);
        if (!chapter.endsWith('\n')) chapter += '\n';
        markdown += chapter + "\n";
    }

    // The writer first, so that both documents measure their fonts on it.
    const QString partial = o.output + ".part";
    auto writer = std::make_unique<QPdfWriter>(partial);
    writer->setResolution(72);
    writer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    writer->setTitle(o.title);
    writer->setCreator("Quillon make_manual");

    QTextDocument body;
    body.documentLayout()->setPaintDevice(writer.get());
    body.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    loadFigures(body, markdown, o, o.chapters);  // after the import, which clears resources
    styleDocument(body, o);
    paginate(body);
    const std::vector<Heading> headings = headingsOf(body);

    // The contents come before the chapters; their own length does not depend
    // on the numbers in them, so one layout with provisional numbers fixes it.
    QTextDocument contents;
    contents.documentLayout()->setPaintDevice(writer.get());
    buildContents(contents, o, headings, 0);
    paginate(contents);
    const int firstChapterPage = 1 + pageCount(contents);
    buildContents(contents, o, headings, firstChapterPage);
    paginate(contents);

    {
        QPainter painter;
        if (!painter.begin(writer.get())) fail(partial + ": cannot be written");
        QFont titleFont(o.font);
        titleFont.setPointSizeF(28.0);
        titleFont.setBold(true);
        painter.setFont(titleFont);
        painter.drawText(QRectF(kMarginSide, 250, kTextWidth, 60), Qt::AlignHCenter | Qt::TextWordWrap, o.title);
        QFont subFont(o.font);
        subFont.setPointSizeF(13.0);
        painter.setFont(subFont);
        painter.drawText(QRectF(kMarginSide, 330, kTextWidth, 120), Qt::AlignHCenter | Qt::TextWordWrap, o.subtitle);

        QFont footFont(o.font);
        footFont.setPointSizeF(9.0);
        int pageNumber = 1;
        paintPages(painter, *writer, contents, pageNumber, footFont);
        paintPages(painter, *writer, body, pageNumber, footFont);
        if (!painter.end()) fail(partial + ": cannot be written");
    }
    writer.reset();  // closes the file

    QFile::remove(o.output);
    if (!QFile::rename(partial, o.output)) fail(o.output + ": cannot be written");
    return 0;
}
