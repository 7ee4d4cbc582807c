#pragma once
// Runs a banded layout and builds its pages as drawing operations.
//
// Order of events: report start; then for every detail band the layout's detail format
// (which may end the report), a page break when the page is full (page footer format of the
// old page, page header format of the new one), detail before-print and the band itself;
// at the end the last page's footer and report end. A report always has at least one page.
#include "print/BandedLayout.h"
#include "print/DrawOps.h"

namespace report {

// Paper size in twips, portrait.
QSizeF paperTwips(const QPageSize &size);

// Appends the visible controls of a section, placed with its top left corner at origin.
// Text controls without text draw nothing.
void placeSection(const Section &section, QPointF origin, QList<DrawOp> &ops);

Report runLayout(BandedLayout &layout);

} // namespace report
