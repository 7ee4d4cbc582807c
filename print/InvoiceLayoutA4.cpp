#include "print/InvoiceLayoutA4.h"

namespace print {

namespace {

using S = ControlDef;

constexpr ControlDef PageHeader[] = {
    label(u"Label1", 8745, 0, 1260, 360, u"請求書", 18, S::Gothic | S::Bold | S::Ruled | S::Center),
    hrule(0, 10530, 380),
    label(u"Label10", 7560, 450, 630, 270, u"日付", 11.5),
    field(u"txtCday", 8280, 450, 2250, 270, 11.5),
    field(u"txt伝票番号", 6307, 60, 2300, 300, 11.5),
    field(u"txt自社名", 6307, 760, 4252, 354, 14),
    field(u"txt登録番号", 6375, 1090, 4185, 250, 10),
    field(u"txt自社情報", 6375, 1065, 4185, 1750, 10, S::Wrap | S::WholeWords | S::Top),
    field(u"txt顧客情報", 283, 496, 4607, 850, 12, S::Wrap | S::Top),
    field(u"txt顧客名", 283, 1417, 4819, 426, 16),
    field(u"txt敬称", 5102, 1417, 780, 355, 16),
    hrule(283, 5900, 1843),
    label(u"Label45", 283, 1984, 1560, 355, u"ご請求金額", 14.5),
    field(u"txt請求金額", 2055, 1960, 3260, 360, 16),
    hrule(283, 5900, 2339),
    label(u"Label46", 250, 2450, 637, 355, u"件名", 14.5),
    field(u"txt件名", 992, 2440, 4961, 300, 12),
    hrule(283, 5900, 2764),
    field(u"txt支払期限", 283, 2830, 5600, 300, 12),
    label(u"Label54", 9000, 2860, 530, 240, u"Page", 11.5),
    field(u"txtCurPage", 9567, 2860, 370, 212, 11.5, S::Center),
    label(u"Label55", 9992, 2860, 142, 212, u"/", 10, S::Center),
    field(u"txtTotalPage", 10150, 2860, 380, 212, 11.5, S::Center),
    box(71, 3189, 10489, 491),
    label(u"Label44", 1346, 3331, 1701, 283, u"\u3000品\u3000\u3000    \u3000名", 12, S::Bold | S::Ruled | S::Center),
    label(u"lbl入数", 4270, 3330, 1365, 285, u"", 12, S::Bold | S::Ruled | S::Center),
    label(u"Label6", 6050, 3331, 850, 283, u"数　量", 12, S::Bold | S::Ruled | S::Center),
    label(u"Label51", 7020, 3331, 580, 283, u"単位", 12, S::Bold | S::Ruled | S::Center),
    label(u"Label52", 7866, 3331, 992, 283, u"単　価", 12, S::Bold | S::Ruled | S::Center),
    label(u"Label53", 9300, 3330, 1170, 285, u"金　額", 12, S::Bold | S::Ruled | S::Center),
    vrule(4181, 3189, 3680),
    vrule(5740, 3189, 3680),
    vrule(6980, 3189, 3680),
    vrule(7600, 3189, 3680),
    vrule(9030, 3189, 3680),
};

constexpr ControlDef Detail[] = {
    field(u"txt品名", 120, 30, 4050, 615, 11.5, S::Wrap),
    field(u"txt入数", 4252, 0, 1460, 615, 12, S::Wrap | S::Center),
    field(u"txt数量", 5820, 0, 1120, 615, 12, S::Right),
    field(u"txt単位", 6990, 0, 600, 615, 12, S::Center),
    field(u"txt単価", 7654, 0, 1346, 615, 12, S::Right),
    field(u"txt金額", 9100, 0, 1410, 615, 12, S::Right),
    field(u"txt小計FL", 992, 567, 496, 213, 9, S::PGothic | S::Hidden),
    vrule(71, 0, 618),
    vrule(4181, 0, 618),
    vrule(5740, 0, 618),
    vrule(6980, 0, 618),
    vrule(7600, 0, 618),
    vrule(9030, 0, 618),
    vrule(10560, 0, 618),
    hrule(71, 10560, 618),
};

constexpr ControlDef PageFooter[] = {
    field(u"txtメモ", 135, 75, 7125, 1125, 12, S::Wrap | S::Top),
    box(7460, 0, 3118, 1200),
    label(u"Label47", 7654, 30, 992, 354, u"税抜計", 14.5),
    field(u"txt税抜計", 8925, 30, 1635, 300, 14.5, S::Right),
    label(u"Label48", 7654, 440, 992, 300, u"消費税", 14.5),
    field(u"txt消費税", 8925, 440, 1630, 300, 14.5, S::Right),
    label(u"Label49", 7654, 850, 992, 355, u"合　計", 14.5),
    field(u"txt合計", 8925, 850, 1630, 340, 14.5, S::Right),
    hrule(7470, 10560, 354),
    hrule(7470, 10560, 780),
    vrule(9030, 0, 1205),
    // A qualified invoice of two rates: the taxable sum and the tax of each under the totals,
    // and the note on the "※" of the reduced-rate lines under the memo.
    box(7460, 1200, 3118, 660, u"box税率別", S::Hidden),
    hrule(7470, 10560, 1530, u"line税率別", S::Hidden),
    field(u"txt標準税率名", 7510, 1230, 740, 270, 9),
    field(u"txt標準税率対象", 8250, 1230, 1000, 270, 10, S::Right),
    field(u"txt標準税率消費税名", 9290, 1230, 560, 270, 9),
    field(u"txt標準税率消費税", 9850, 1230, 690, 270, 10, S::Right),
    field(u"txt軽減税率名", 7510, 1560, 740, 270, 9),
    field(u"txt軽減税率対象", 8250, 1560, 1000, 270, 10, S::Right),
    field(u"txt軽減税率消費税名", 9290, 1560, 560, 270, 9),
    field(u"txt軽減税率消費税", 9850, 1560, 690, 270, 10, S::Right),
    field(u"txt軽減税率注記", 135, 1280, 5000, 270, 10),
    // The bank account lines in a block of their own under the memo, when the settings have them.
    box(71, 1590, 7250, 830, u"box振込先", S::Hidden),
    field(u"txt振込先見出し", 135, 1630, 1100, 270, 10),
    field(u"txt振込先", 1250, 1630, 6000, 770, 10, S::Wrap | S::Top),
};

} // namespace

rpt請求書::rpt請求書(const PrintHeader &header, const QList<DetailLine> &lines, const PrintSettings &settings)
    : InvoiceLayout(header, lines, settings, {QPageSize::A4, QMarginsF(900, 1000, 0, 300), LinesPerPage})
{
    pageHeader = makeSection(PageHeader, 3680);
    detail = makeSection(Detail, 620);
    pageFooter = makeSection(PageFooter, footerHeight(2000));
}

report::DetailAction rpt請求書::detailFormat(int row)
{
    // A full page goes on to the next one until the last page is full: exactly the counted
    // pages are printed.
    if (m_rowsOnPage == LinesPerPage) {
        if (m_currentPage >= pages())
            return report::DetailAction::EndReport;
        m_rowsOnPage = 0;
    }
    if (row < 0)
        clearDetailFields(); // the lines have ended: the rest of the page is empty ruled rows
    else
        bindRow(row);
    return report::DetailAction::Print;
}

void rpt請求書::detailBeforePrint()
{
    ++m_rowsOnPage;
    InvoiceLayout::detailBeforePrint();
}

} // namespace print
