#pragma once
// A finished report as plain data: pages of drawing operations in twips (1/1440 inch) from
// the top left corner of the paper. Built once by the renderer, then drawn by one painter
// function on a preview, a printer or a PDF, and read directly by the tests.
#include <QColor>
#include <QLineF>
#include <QList>
#include <QPageSize>
#include <QRectF>
#include <QString>

namespace report {

inline constexpr double TwipsPerInch = 1440.0;
inline constexpr double TwipsPerPoint = 20.0;

// A font as the layout names it; ReportPainter maps the family to an installed one.
struct TextFont {
    QString family;
    double pointSize = 10;
    bool bold = false;
    bool operator==(const TextFont &) const = default;
};

enum class OpKind { Text, Line, Box };

enum TextFlag {
    NoTextFlags = 0,
    Wrap = 0x1,        // several lines, broken to the width; what does not fit is clipped
    ShrinkToFit = 0x2, // one line: a smaller size when too wide, then cut with "…"
    WholeWords = 0x4,  // with Wrap: breaks only at spaces; a smaller size rather than a broken word
};

struct DrawOp {
    OpKind kind = OpKind::Text;
    QString name;   // the layout control that made it ("txt品名"); empty for unnamed rules
    QRectF rect;    // Text and Box
    QLineF line;    // Line
    QString text;
    TextFont font;
    QColor color = Qt::black;
    int alignment = 0; // Qt::Alignment
    int flags = NoTextFlags;
};

struct ReportPage {
    QList<DrawOp> ops;
};

struct Report {
    QString title;
    QPageSize pageSize{QPageSize::A4};
    QList<ReportPage> pages;
};

} // namespace report
