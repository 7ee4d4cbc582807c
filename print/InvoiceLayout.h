#pragma once
// What the A4 and B5 invoice layouts share: their tables of controls, the header and footer
// fields, the detail formats, the subtotal style and the page count. Each layout adds its
// own table, paper, margins and way of filling the last page.
#include "print/BandedLayout.h"
#include "print/PrintData.h"

#include <QList>
#include <QPageSize>

#include <span>

namespace print {

// One row of a layout table. Positions in twips from the section's top left corner; for a
// rule, x/y/w/h are the two ends x1, y1, x2, y2.
struct ControlDef {
    enum Style : unsigned {
        Plain = 0,
        Bold = 0x01,
        Ruled = 0x02,   // drawn in the rule colour (rules and boxes always are)
        Wrap = 0x04,    // several lines
        Fit = 0x08,     // one line, made smaller when too long (every text that does not wrap)
        Right = 0x10,
        Center = 0x20,
        Top = 0x40,
        Hidden = 0x80,
        Gothic = 0x100,  // "ＭＳ ゴシック" instead of "ＭＳ Ｐ明朝"
        PGothic = 0x200, // "ＭＳ Ｐゴシック"
        WholeWords = 0x400, // with Wrap: lines break at spaces only (address blocks)
    };
    report::ControlKind kind = report::ControlKind::Label;
    const char16_t *name = u"";
    double x = 0, y = 0, w = 0, h = 0;
    const char16_t *text = u"";
    double points = 0;
    unsigned style = Plain;
};

// Texts show one line, made smaller when too long, unless they wrap.
constexpr ControlDef label(const char16_t *name, double x, double y, double w, double h,
                           const char16_t *text, double points, unsigned style = ControlDef::Plain)
{
    return {report::ControlKind::Label, name, x, y, w, h, text, points, style | ControlDef::Fit};
}
constexpr ControlDef field(const char16_t *name, double x, double y, double w, double h,
                           double points, unsigned style = ControlDef::Plain)
{
    return {report::ControlKind::Field, name, x, y, w, h, u"", points,
            (style & ControlDef::Wrap) ? style : (style | ControlDef::Fit)};
}
constexpr ControlDef hrule(double x1, double x2, double y, const char16_t *name = u"", unsigned style = ControlDef::Plain)
{
    return {report::ControlKind::Line, name, x1, y, x2, y, u"", 0, style};
}
constexpr ControlDef vrule(double x, double y1, double y2)
{
    return {report::ControlKind::Line, u"", x, y1, x, y2};
}
constexpr ControlDef box(double x, double y, double w, double h, const char16_t *name = u"", unsigned style = ControlDef::Plain)
{
    return {report::ControlKind::Box, name, x, y, w, h, u"", 0, style};
}

report::Section makeSection(std::span<const ControlDef> table, double height);

class InvoiceLayout : public report::BandedLayout
{
public:
    int rowCount() const override { return int(m_lines.size()); }
    int detailsPerPage() const override { return m_linesPerPage; }

    int linesPerPage() const { return m_linesPerPage; }
    int pages() const { return m_pages; }

protected:
    struct PaperSetup {
        QPageSize::PageSizeId size;
        QMarginsF margins; // twips, before the user's offsets
        int linesPerPage;
    };
    InvoiceLayout(const PrintHeader &header, const QList<DetailLine> &lines, const PrintSettings &settings,
                  const PaperSetup &paper);

    void reportStart() override;
    void pageHeaderFormat() override;
    void detailBeforePrint() override;
    void pageFooterFormat() override;

    // Fills the detail fields from a line: formats by 小数, the name at 12 pt, the unit cut
    // to four characters.
    void bindRow(int row);
    // Empties every detail field (the names beginning with "txt").
    void clearDetailFields();
    // The page footer's height in twips: plain, and more by the bank block when the settings
    // have bank account lines.
    double footerHeight(double plain) const;

    int m_currentPage = 0;

private:
    void setText(report::Section &section, QStringView name, const QString &text);

    PrintHeader m_header;
    QList<DetailLine> m_lines;
    PrintSettings m_settings;
    PaperSetup m_paper;
    int m_linesPerPage = 1;
    int m_pages = 1;
    const DetailLine *m_row = nullptr; // the line the detail band shows; nullptr for a blank band
};

// The marks and texts of a qualified invoice.
inline const QString ReducedRateMark = QStringLiteral("※");
inline const QString ReducedRateNote = QStringLiteral("※は軽減税率対象");

// The shown forms shared by both layouts.
QString paperDate(const QDate &date, const PrintSettings &settings); // by 年号: yyyy/mm/dd or the era form
QString dateText(const PrintHeader &header, const PrintSettings &settings); // the invoice date, when printed
QString amountInvoicedText(const std::optional<qint64> &amount);
QString packTitle(const QString &setting);
QString cutUnit(const QString &unit); // the first four characters

} // namespace print
