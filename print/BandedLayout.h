#pragma once
// A banded layout: a page header, a detail band and a page footer, each a list of controls
// placed in twips from the section's top left corner. A layout class fills its sections
// and overrides the events; BandedRenderer runs it over the data rows and turns the
// sections into pages of drawing operations.
#include "print/DrawOps.h"

#include <QList>
#include <QMarginsF>
#include <QPageSize>
#include <QPointF>
#include <QString>
#include <QStringView>

namespace report {

enum class ControlKind { Label, Field, Line, Box };

struct Control {
    ControlKind kind = ControlKind::Label;
    QString name;
    QRectF rect;  // Label, Field, Box
    QLineF line;  // Line
    QString text; // a label's caption, a field's value
    TextFont font;
    QColor color = Qt::black;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    int flags = NoTextFlags;
    bool visible = true;
    bool ruled = false; // takes the layout's rule colour: every rule and box, some labels

    bool isRule() const { return kind == ControlKind::Line || kind == ControlKind::Box; }
};

struct Section {
    double height = 0;
    QList<Control> controls;

    // nullptr when the section has no control of that name.
    Control *find(QStringView name);
    const Control *find(QStringView name) const;
};

struct PageSetup {
    QPageSize pageSize{QPageSize::A4};
    QMarginsF margins; // the layout's own, in twips
    QPointF shift;     // the user's offsets, in twips: they move the whole printout
};

enum class DetailAction {
    Print,     // place the detail band with the values the event left in its controls
    EndReport, // no more detail bands: close the page and finish
};

class BandedLayout
{
public:
    virtual ~BandedLayout() = default;

    QString title;
    PageSetup page;
    Section pageHeader;
    Section detail;
    Section pageFooter;

    // Number of data rows the detail band runs over.
    virtual int rowCount() const = 0;
    // Detail bands on a page; 0 fills each page with as many as fit.
    virtual int detailsPerPage() const { return 0; }

    virtual void reportStart() {}
    virtual void pageHeaderFormat() {}
    // Binds and formats the detail controls for a row; row is -1 once the data has ended.
    // Called before the engine decides whether the band opens a new page.
    virtual DetailAction detailFormat(int row) = 0;
    virtual void detailBeforePrint() {}
    virtual void pageFooterFormat() {}
    // Last chance to change the finished pages (drop surplus ones, for instance).
    virtual void reportEnd(QList<ReportPage> &pages) { Q_UNUSED(pages) }

    // Calls f(Control &) for every control of the three sections.
    template<class F>
    void forEachControl(F f)
    {
        for (Section *s : {&pageHeader, &detail, &pageFooter})
            for (Control &c : s->controls)
                f(c);
    }
};

} // namespace report
