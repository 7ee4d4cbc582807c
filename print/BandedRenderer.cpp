#include "print/BandedRenderer.h"

#include <QtMath>

#include <algorithm>

namespace report {

namespace {

// A layout that keeps answering Print after its data has ended would never finish; no
// invoice comes anywhere near this.
constexpr int MaxPages = 1000;

DrawOp opFor(const Control &c, QPointF origin)
{
    DrawOp op;
    op.name = c.name;
    op.color = c.color;
    switch (c.kind) {
    case ControlKind::Label:
    case ControlKind::Field:
        op.kind = OpKind::Text;
        op.rect = c.rect.translated(origin);
        op.text = c.text;
        op.font = c.font;
        op.alignment = int(c.alignment);
        op.flags = c.flags;
        break;
    case ControlKind::Line:
        op.kind = OpKind::Line;
        op.line = c.line.translated(origin);
        break;
    case ControlKind::Box:
        op.kind = OpKind::Box;
        op.rect = c.rect.translated(origin);
        break;
    }
    return op;
}

class PageBuilder
{
public:
    explicit PageBuilder(BandedLayout &layout) : m_layout(layout)
    {
        const PageSetup &setup = layout.page;
        const QSizeF paper = paperTwips(setup.pageSize);
        m_left = setup.margins.left() + setup.shift.x();
        m_headerTop = setup.margins.top() + setup.shift.y();
        // The footer sits at the foot of the page; the user's offsets move it with the rest.
        const double footerTop = paper.height() - setup.margins.bottom() - layout.pageFooter.height;
        const double room = footerTop - setup.margins.top() - layout.pageHeader.height;
        const int fitting = layout.detail.height > 0 ? qMax(1, int(room / layout.detail.height)) : 1;
        m_capacity = layout.detailsPerPage() > 0 ? layout.detailsPerPage() : fitting;
        const double detailEnd = layout.pageHeader.height + m_capacity * layout.detail.height;
        m_footerTop = std::max(footerTop, setup.margins.top() + detailEnd) + setup.shift.y();
    }

    bool pageOpen() const { return m_open; }
    bool pageFull() const { return m_onPage >= m_capacity; }
    int pageCount() const { return int(m_pages.size()); }

    void openPage()
    {
        m_layout.pageHeaderFormat();
        m_pages.append(ReportPage{});
        placeSection(m_layout.pageHeader, {m_left, m_headerTop}, m_pages.last().ops);
        m_y = m_headerTop + m_layout.pageHeader.height;
        m_onPage = 0;
        m_open = true;
    }

    void placeDetail()
    {
        placeSection(m_layout.detail, {m_left, m_y}, m_pages.last().ops);
        m_y += m_layout.detail.height;
        ++m_onPage;
    }

    void closePage()
    {
        m_layout.pageFooterFormat();
        placeSection(m_layout.pageFooter, {m_left, m_footerTop}, m_pages.last().ops);
        m_open = false;
    }

    QList<ReportPage> takePages() { return std::move(m_pages); }

private:
    BandedLayout &m_layout;
    QList<ReportPage> m_pages;
    double m_left = 0;
    double m_headerTop = 0;
    double m_footerTop = 0;
    double m_y = 0;
    int m_capacity = 1;
    int m_onPage = 0;
    bool m_open = false;
};

} // namespace

QSizeF paperTwips(const QPageSize &size)
{
    // From millimetres: the size in points is rounded to whole points.
    return size.size(QPageSize::Millimeter) * (TwipsPerInch / 25.4);
}

void placeSection(const Section &section, QPointF origin, QList<DrawOp> &ops)
{
    for (const Control &c : section.controls) {
        if (!c.visible)
            continue;
        if ((c.kind == ControlKind::Label || c.kind == ControlKind::Field) && c.text.isEmpty())
            continue;
        ops.append(opFor(c, origin));
    }
}

Report runLayout(BandedLayout &layout)
{
    layout.reportStart();
    PageBuilder pages(layout);

    int row = 0;
    while (true) {
        const bool hasRow = row < layout.rowCount();
        if (layout.detailFormat(hasRow ? row : -1) == DetailAction::EndReport)
            break;
        if (pages.pageOpen() && pages.pageFull()) {
            if (pages.pageCount() >= MaxPages)
                break;
            pages.closePage();
        }
        if (!pages.pageOpen())
            pages.openPage();
        layout.detailBeforePrint();
        pages.placeDetail();
        if (hasRow)
            ++row;
    }
    if (pages.pageCount() == 0)
        pages.openPage();
    pages.closePage(); // the loop leaves the last page open

    Report report;
    report.title = layout.title;
    report.pageSize = layout.page.pageSize;
    report.pages = pages.takePages();
    layout.reportEnd(report.pages);
    return report;
}

} // namespace report
