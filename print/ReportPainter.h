#pragma once
// The one painter path for preview, printer and PDF: a page of drawing operations is drawn
// on any paint device, 1 twip being 1/1440 inch of the device, with the painter's origin
// at the paper's top left corner.
#include "print/DrawOps.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

class QPainter;
class QPagedPaintDevice;
class QPrinter;

namespace report {

// The layouts name the Windows fonts; here they are the IPA fonts, drawn to the same
// metrics: "ＭＳ Ｐ明朝" IPAPMincho, "ＭＳ 明朝" IPAMincho, "ＭＳ ゴシック" IPAGothic,
// "ＭＳ Ｐゴシック" IPAPGothic. Any other family is kept.
QString installedFamily(const QString &layoutFamily);

// The font of an operation, sized in twips (so that it scales with the page, not with the
// device's resolution), unhinted so that line breaks are the same on every device.
QFont fontFor(const TextFont &face);

// What a text operation puts on paper: its lines, each with the rectangle it is drawn in
// (a little in from the sides of the operation's rectangle; drawing is clipped to that
// rectangle), and the font, which ShrinkToFit may have made smaller.
struct FittedText {
    QFont font;
    QStringList lines;
    QList<QRectF> lineRects;
};
FittedText fitText(const DrawOp &op);

void paintPage(QPainter &painter, const ReportPage &page);

// Puts a printer (or the preview's printer) on the report's paper, portrait, origin at the
// paper's corner.
void preparePrinter(QPrinter &printer, const Report &report);

// Paints the pages on a printer already prepared with preparePrinter: every page, or those
// of the page range chosen in the printer dialog. False when the printer could not be
// painted on (no printer, a file that cannot be written).
bool printReport(QPrinter &printer, const Report &report);

// Writes the report as a PDF with its fonts embedded. The file is replaced only once the whole
// PDF is written; false when it cannot be written (and then it is left as it was).
bool writePdf(const Report &report, const QString &path);
// The same PDF as bytes (what writePdf writes); empty when it could not be drawn.
QByteArray pdfBytes(const Report &report);

// One page as an image (white paper) at the given resolution.
QImage pageImage(const Report &report, int page, double dotsPerInch);

} // namespace report
