#include "print/ReportPainter.h"

#include "app/SafeFiles.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageRanges>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace report {

namespace {

// Rules a little under half a point wide: thin, but still solid on a 300 dpi printer.
constexpr double RuleWidthTwips = 8;
// Texts keep this distance from the sides of their box, so that figures never touch a rule.
constexpr double TextPaddingTwips = 40;
// A one-line text or an address block too wide for its box is first made smaller, down to
// this share of its size.
constexpr double SmallestShrink = 0.6;

int twipsPixelSize(double points)
{
    return qMax(1, qRound(points * TwipsPerPoint));
}

QString oneLine(QString text)
{
    text.remove(u'\r');
    text.replace(u'\n', u' ');
    return text;
}

double verticalOffset(Qt::Alignment alignment, double room, double used)
{
    if (alignment & Qt::AlignBottom)
        return room - used;
    if (alignment & Qt::AlignVCenter)
        return (room - used) / 2;
    return 0;
}

// Lines of the font one under the other in the box, placed by its vertical alignment.
FittedText placeLines(const DrawOp &op, const QFont &font, const QStringList &lines)
{
    FittedText fitted;
    fitted.font = font;
    fitted.lines = lines;
    const double lineHeight = QFontMetricsF(font).height();
    double y = op.rect.top() + verticalOffset(Qt::Alignment(op.alignment), op.rect.height(),
                                              lineHeight * lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        fitted.lineRects << QRectF(op.rect.left(), y, op.rect.width(), lineHeight);
        y += lineHeight;
    }
    return fitted;
}

// Lines of the font that the box holds, at least one.
qsizetype lineRoom(const DrawOp &op, const QFontMetricsF &metrics)
{
    return qMax<qsizetype>(1, qsizetype(op.rect.height() / metrics.height()));
}

// Word wrap, breaking inside a word only when the word alone is wider than the box; keeps
// the lines that fit in the height (at least one) and cuts the last kept line with "…" when
// text was left over.
FittedText wrapText(const DrawOp &op, const QFont &font)
{
    QString text = op.text;
    text.remove(u'\r');
    text.replace(u'\n', QChar::LineSeparator);

    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QList<QPair<int, int>> ranges;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(op.rect.width());
        ranges.append({line.textStart(), line.textLength()});
    }
    layout.endLayout();

    const QFontMetricsF metrics(font);
    const qsizetype room = lineRoom(op, metrics);
    const bool cut = ranges.size() > room;
    if (cut)
        ranges.resize(room);
    QStringList lines;
    for (qsizetype i = 0; i < ranges.size(); ++i) {
        QString part = text.mid(ranges[i].first, ranges[i].second);
        while (!part.isEmpty() && (part.back().isSpace() || part.back() == QChar::LineSeparator))
            part.chop(1);
        if (cut && i == ranges.size() - 1)
            part = metrics.elidedText(part + QStringLiteral("…"), Qt::ElideRight, op.rect.width());
        lines << part;
    }
    return placeLines(op, font, lines);
}

// Breaks a line of text at its spaces (ordinary or ideographic) into lines no wider than
// width, each as long as it can be. False when a word alone is wider.
bool breakAtSpaces(QStringView text, const QFontMetricsF &metrics, double width, QStringList &lines)
{
    const auto fits = [&](QStringView part) { return metrics.horizontalAdvance(part.toString()) <= width; };
    while (!fits(text)) {
        qsizetype end = -1; // the end of the longest run of words that fits
        for (qsizetype i = 1; i < text.size(); ++i) {
            if (!text[i].isSpace() || text[i - 1].isSpace())
                continue;
            if (!fits(text.left(i)))
                break;
            end = i;
        }
        if (end < 0)
            return false;
        lines << text.left(end).toString();
        while (end < text.size() && text[end].isSpace())
            ++end;
        text = text.mid(end);
    }
    lines << text.toString();
    return true;
}

// An address block: each line as written, a line too wide broken at a space. When a word is
// wider than the box or the lines do not all fit in its height, the whole block is made
// smaller, step by step down to SmallestShrink; only past that does it wrap as any text does.
FittedText wholeWordsText(const DrawOp &op, QFont font)
{
    QString text = op.text;
    text.remove(u'\r');
    const QStringList written = text.split(u'\n');
    const int full = font.pixelSize();
    const int step = qMax(1, full / 20);
    for (int size = full; size >= std::ceil(full * SmallestShrink); size -= step) {
        font.setPixelSize(size);
        const QFontMetricsF metrics(font);
        QStringList lines;
        const bool whole = std::all_of(written.begin(), written.end(), [&](const QString &line) {
            return breakAtSpaces(line, metrics, op.rect.width(), lines);
        });
        if (whole && lines.size() <= lineRoom(op, metrics))
            return placeLines(op, font, lines);
    }
    return wrapText(op, font);
}

// Amounts, quantities, prices, page numbers.
bool isFigure(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.isDigit() || c == u',' || c == u'.' || c == u'-' || c == u'¥' || c == u' ';
    });
}

// A figure is never cut, only made as small as it must be: a cut amount would be misread.
FittedText shrinkText(const DrawOp &op, QFont font)
{
    const QString text = oneLine(op.text);
    const double width = QFontMetricsF(font).horizontalAdvance(text);
    if (width > op.rect.width() && width > 0) {
        const double fitting = op.rect.width() / width;
        const double factor = isFigure(text) ? fitting : qMax(SmallestShrink, fitting);
        font.setPixelSize(qMax(1, int(std::floor(font.pixelSize() * factor))));
    }
    const QFontMetricsF metrics(font);
    FittedText fitted;
    fitted.font = font;
    fitted.lines << metrics.elidedText(text, Qt::ElideRight, op.rect.width());
    fitted.lineRects << op.rect;
    return fitted;
}

void drawText(QPainter &painter, const DrawOp &op)
{
    const FittedText fitted = fitText(op);
    painter.setFont(fitted.font);
    painter.setPen(op.color);
    const int horizontal = op.alignment & Qt::AlignHorizontal_Mask;
    const int vertical = (op.flags & Wrap) ? int(Qt::AlignVCenter) : (op.alignment & Qt::AlignVertical_Mask);
    for (qsizetype i = 0; i < fitted.lines.size(); ++i)
        painter.drawText(fitted.lineRects[i], horizontal | vertical | Qt::TextSingleLine, fitted.lines[i]);
}

} // namespace

QString installedFamily(const QString &layoutFamily)
{
    if (layoutFamily == u"ＭＳ Ｐ明朝")
        return QStringLiteral("IPAPMincho");
    if (layoutFamily == u"ＭＳ 明朝")
        return QStringLiteral("IPAMincho");
    if (layoutFamily == u"ＭＳ ゴシック")
        return QStringLiteral("IPAGothic");
    if (layoutFamily == u"ＭＳ Ｐゴシック")
        return QStringLiteral("IPAPGothic");
    return layoutFamily;
}

QFont fontFor(const TextFont &face)
{
    QFont font(installedFamily(face.family));
    font.setPixelSize(twipsPixelSize(face.pointSize));
    font.setBold(face.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

FittedText fitText(const DrawOp &original)
{
    DrawOp op = original;
    if (op.rect.width() > 4 * TextPaddingTwips)
        op.rect.adjust(TextPaddingTwips, 0, -TextPaddingTwips, 0);
    const QFont font = fontFor(op.font);
    if (op.flags & Wrap)
        return (op.flags & WholeWords) ? wholeWordsText(op, font) : wrapText(op, font);
    if (op.flags & ShrinkToFit)
        return shrinkText(op, font);
    FittedText fitted;
    fitted.font = font;
    fitted.lines << oneLine(op.text);
    fitted.lineRects << op.rect;
    return fitted;
}

void paintPage(QPainter &painter, const ReportPage &page)
{
    const QPaintDevice *device = painter.device();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(device->logicalDpiX() / TwipsPerInch, device->logicalDpiY() / TwipsPerInch);
    for (const DrawOp &op : page.ops) {
        switch (op.kind) {
        case OpKind::Text:
            // Everything outside the box is cut: a long text never runs over its neighbours.
            painter.save();
            painter.setClipRect(op.rect, Qt::IntersectClip);
            drawText(painter, op);
            painter.restore();
            break;
        case OpKind::Line:
            painter.setPen(QPen(op.color, RuleWidthTwips, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(op.line);
            break;
        case OpKind::Box:
            painter.setPen(QPen(op.color, RuleWidthTwips, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(op.rect);
            break;
        }
    }
    painter.restore();
}

void preparePrinter(QPrinter &printer, const Report &report)
{
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(report.pageSize, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    printer.setDocName(report.title);
    printer.setCreator(QStringLiteral("Quillon"));
}

bool printReport(QPrinter &printer, const Report &report)
{
    const QPageRanges chosen = printer.printRange() == QPrinter::PageRange ? printer.pageRanges() : QPageRanges();
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    bool first = true;
    for (qsizetype i = 0; i < report.pages.size(); ++i) {
        if (!chosen.isEmpty() && !chosen.contains(int(i + 1)))
            continue;
        if (!first && !printer.newPage())
            return false;
        paintPage(painter, report.pages[i]);
        first = false;
    }
    return painter.end();
}

QByteArray pdfBytes(const Report &report)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return {};
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(report.pageSize, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setTitle(report.title);
        writer.setCreator(QStringLiteral("Quillon"));
        QPainter painter;
        if (!painter.begin(&writer))
            return {};
        for (qsizetype i = 0; i < report.pages.size(); ++i) {
            if (i > 0 && !writer.newPage())
                return {};
            paintPage(painter, report.pages[i]);
        }
        if (!painter.end())
            return {};
    }
    return bytes;
}

bool writePdf(const Report &report, const QString &path)
{
    const QByteArray bytes = pdfBytes(report);
    return !bytes.isEmpty() && files::writeWhole(path, bytes);
}

QImage pageImage(const Report &report, int page, double dotsPerInch)
{
    if (page < 0 || page >= report.pages.size())
        return {};
    const QSizeF inches = report.pageSize.size(QPageSize::Inch);
    QImage image(qRound(inches.width() * dotsPerInch), qRound(inches.height() * dotsPerInch),
                 QImage::Format_RGB32);
    const int dotsPerMeter = qRound(dotsPerInch / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintPage(painter, report.pages[page]);
    return image;
}

} // namespace report
