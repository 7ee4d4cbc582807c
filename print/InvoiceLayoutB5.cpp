#include "print/InvoiceLayoutB5.h"

namespace print {

namespace {

using S = ControlDef;

constexpr ControlDef PageHeader[] = {
    label(u"Label1", 7080, 0, 1455, 360, u"請求書", 18, S::Gothic | S::Bold | S::Ruled | S::Center),
    hrule(0, 9135, 380),
    label(u"Label10", 6307, 425, 638, 284, u"日付", 11.5),
    field(u"txtCday", 7016, 425, 2055, 284, 11.5),
    field(u"txt伝票番号", 5440, 60, 1600, 300, 11.5),
    field(u"txt自社名", 5440, 780, 3695, 570, 14),
    field(u"txt登録番号", 5440, 1350, 3695, 250, 10),
    field(u"txt自社情報", 5440, 1485, 3695, 1455, 10, S::Wrap | S::WholeWords | S::Top),
    field(u"txt顧客情報", 75, 495, 4605, 855, 11.5, S::Wrap | S::Top),
    label(u"Label54", 4748, 496, 567, 284, u"Page", 11.5),
    field(u"txtCurPage", 5315, 496, 425, 213, 11.5, S::Center),
    label(u"Label55", 5740, 496, 142, 213, u"/", 10, S::Center),
    field(u"txtTotalPage", 5953, 496, 354, 213, 11.5, S::Center),
    field(u"txt顧客名", 75, 1410, 4455, 420, 14.5),
    field(u"txt敬称", 4560, 1460, 700, 360, 14.5),
    hrule(75, 5205, 1845),
    hrule(75, 5205, 2340),
    hrule(75, 5205, 2760),
    field(u"txt支払期限", 71, 2830, 5130, 300, 12),
    label(u"Label45", 71, 1984, 1559, 355, u"ご請求金額", 14.5),
    field(u"txt請求金額", 1843, 1984, 3259, 355, 16),
    label(u"Label46", 71, 2450, 638, 355, u"件名", 14.5),
    field(u"txt件名", 780, 2430, 4245, 360, 12),
    box(10, 3189, 9061, 361),
    label(u"Label44", 1346, 3260, 1701, 283, u"\u3000品\u3000\u3000    \u3000名", 12, S::Bold | S::Ruled | S::Center),
    label(u"lbl入数", 4080, 3260, 960, 283, u"", 12, S::Bold | S::Ruled | S::Center),
    label(u"Label50", 5200, 3260, 600, 270, u"数量", 12, S::Bold | S::Ruled | S::Center),
    label(u"Label51", 5980, 3260, 567, 283, u"単位", 12, S::Bold | S::Ruled | S::Center),
    label(u"Label52", 6980, 3260, 700, 283, u"単 価", 12, S::Bold | S::Ruled | S::Center),
    label(u"Label53", 8120, 3260, 800, 270, u"金　額", 12, S::Bold | S::Ruled | S::Center),
    vrule(3860, 3189, 3550),
    vrule(5050, 3189, 3550),
    vrule(5900, 3189, 3550),
    vrule(6630, 3189, 3550),
    vrule(7740, 3189, 3550),
};

constexpr ControlDef Detail[] = {
    field(u"txt品名", 30, 0, 3827, 567, 11.5, S::Wrap),
    field(u"txt入数", 3900, 0, 1100, 567, 12, S::Wrap | S::Center),
    field(u"txt数量", 5080, 0, 780, 567, 12, S::Right),
    field(u"txt単位", 5953, 0, 620, 567, 12, S::Center),
    field(u"txt単価", 6661, 0, 1063, 567, 12, S::Right),
    field(u"txt金額", 7800, 0, 1240, 567, 12, S::Right),
    field(u"txt小計FL", 2339, 709, 496, 283, 9, S::PGothic | S::Hidden),
    vrule(10, 0, 610),
    vrule(3860, 0, 610),
    vrule(5050, 0, 610),
    vrule(5900, 0, 610),
    vrule(6630, 0, 610),
    vrule(7740, 0, 610),
    vrule(9071, 0, 610),
    hrule(10, 9071, 610),
};

constexpr ControlDef PageFooter[] = {
    field(u"txtメモ", 0, 71, 5953, 1134, 11.5, S::Wrap | S::Top),
    box(6024, 0, 3047, 1205),
    label(u"Label47", 6165, 30, 992, 354, u"税抜計", 14.5),
    field(u"txt税抜計", 7441, 30, 1630, 354, 14.5, S::Right),
    label(u"Label48", 6165, 425, 992, 284, u"消費税", 14.5),
    field(u"txt消費税", 7441, 425, 1630, 284, 14.5, S::Right),
    label(u"Label49", 6165, 850, 992, 355, u"合　計", 14.5),
    field(u"txt合計", 7441, 850, 1630, 355, 14.5, S::Right),
    hrule(6024, 9071, 354),
    hrule(6024, 9071, 780),
    vrule(7583, 0, 1205),
    // As on A4: the amounts of each rate under the totals, the note under the memo.
    box(6024, 1205, 3047, 660, u"box税率別", S::Hidden),
    hrule(6024, 9071, 1535, u"line税率別", S::Hidden),
    field(u"txt標準税率名", 6070, 1235, 720, 270, 9),
    field(u"txt標準税率対象", 6790, 1235, 910, 270, 10, S::Right),
    field(u"txt標準税率消費税名", 7740, 1235, 560, 270, 9),
    field(u"txt標準税率消費税", 8300, 1235, 740, 270, 10, S::Right),
    field(u"txt軽減税率名", 6070, 1565, 720, 270, 9),
    field(u"txt軽減税率対象", 6790, 1565, 910, 270, 10, S::Right),
    field(u"txt軽減税率消費税名", 7740, 1565, 560, 270, 9),
    field(u"txt軽減税率消費税", 8300, 1565, 740, 270, 10, S::Right),
    field(u"txt軽減税率注記", 0, 1280, 5000, 270, 10),
    // As on A4: the bank account lines in their own block under the memo.
    box(0, 1590, 5950, 830, u"box振込先", S::Hidden),
    field(u"txt振込先見出し", 60, 1630, 1000, 270, 10),
    field(u"txt振込先", 1080, 1630, 4820, 770, 10, S::Wrap | S::Top),
};

} // namespace

rpt請求書B5::rpt請求書B5(const PrintHeader &header, const QList<DetailLine> &lines, const PrintSettings &settings)
    : InvoiceLayout(header, lines, settings, {QPageSize::JisB5, QMarginsF(800, 900, 100, 300), LinesPerPage})
{
    pageHeader = makeSection(PageHeader, 3550);
    detail = makeSection(Detail, 610);
    pageFooter = makeSection(PageFooter, footerHeight(2000));
}

report::DetailAction rpt請求書B5::detailFormat(int row)
{
    if (row < 0)
        return report::DetailAction::EndReport; // the rest of the page stays empty
    bindRow(row);
    return report::DetailAction::Print;
}

void rpt請求書B5::reportEnd(QList<report::ReportPage> &finished)
{
    while (finished.size() > pages())
        finished.removeLast();
}

} // namespace print
