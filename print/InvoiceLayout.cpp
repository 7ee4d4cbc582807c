#include "print/InvoiceLayout.h"

#include "app/Formats.h"

#include <cmath>

namespace print {

namespace {

using report::Control;
using report::ControlKind;

// Between the registration number and the company's lines under it, in twips.
constexpr double RegistrationGap = 30;
// The bank block under the memo: its box of 830 twips and a gap above it.
constexpr double BankBlockHeight = 450;

const QString Mincho = QStringLiteral("ＭＳ Ｐ明朝");
const QString Gothic = QStringLiteral("ＭＳ ゴシック");
const QString PGothic = QStringLiteral("ＭＳ Ｐゴシック");

Qt::Alignment alignmentOf(unsigned style)
{
    const Qt::Alignment horizontal = (style & ControlDef::Right)    ? Qt::AlignRight
                                     : (style & ControlDef::Center) ? Qt::AlignHCenter
                                                                    : Qt::AlignLeft;
    return horizontal | ((style & ControlDef::Top) ? Qt::AlignTop : Qt::AlignVCenter);
}

Control controlFrom(const ControlDef &d)
{
    Control c;
    c.kind = d.kind;
    c.name = QString::fromUtf16(d.name);
    if (d.kind == ControlKind::Line)
        c.line = QLineF(d.x, d.y, d.w, d.h);
    else
        c.rect = QRectF(d.x, d.y, d.w, d.h);
    c.text = QString::fromUtf16(d.text);
    c.font.family = (d.style & ControlDef::Gothic) ? Gothic : (d.style & ControlDef::PGothic) ? PGothic : Mincho;
    c.font.pointSize = d.points;
    c.font.bold = d.style & ControlDef::Bold;
    c.alignment = alignmentOf(d.style);
    c.flags = ((d.style & ControlDef::Wrap) ? report::Wrap : 0) | ((d.style & ControlDef::Fit) ? report::ShrinkToFit : 0)
              | ((d.style & ControlDef::WholeWords) ? report::WholeWords : 0);
    c.visible = !(d.style & ControlDef::Hidden);
    c.ruled = d.kind == ControlKind::Line || d.kind == ControlKind::Box || (d.style & ControlDef::Ruled);
    return c;
}

// Whole numbers ("#,###": zero and empty print nothing) or two decimals ("#,##0.00").
QString quantityText(const std::optional<double> &value, bool decimals)
{
    if (!value)
        return {};
    return formats::formatNumber(*value, decimals ? formats::NumberFormat::GroupedTwoDecimals
                                                  : formats::NumberFormat::Grouped);
}

QString groupedText(const std::optional<qint64> &value, formats::NumberFormat format)
{
    return value ? formats::formatNumber(*value, format) : QString();
}

} // namespace

report::Section makeSection(std::span<const ControlDef> table, double height)
{
    report::Section section;
    section.height = height;
    section.controls.reserve(qsizetype(table.size()));
    for (const ControlDef &d : table)
        section.controls << controlFrom(d);
    return section;
}

QString paperDate(const QDate &date, const PrintSettings &settings)
{
    return formats::formatDate(date, settings.年号 == u"西暦" ? formats::DateFormat::WesternSlash
                                                             : formats::DateFormat::EraDateSpaced);
}

QString dateText(const PrintHeader &header, const PrintSettings &settings)
{
    return header.日付印刷 ? paperDate(header.日付, settings) : QString();
}

// The yen sign itself: the IPA fonts draw a backslash as a backslash.
QString amountInvoicedText(const std::optional<qint64> &amount)
{
    return QStringLiteral("¥") + groupedText(amount, formats::NumberFormat::Grouped);
}

QString packTitle(const QString &setting)
{
    if (setting == u"入数")
        return QStringLiteral("入　数");
    if (setting == u"規格")
        return QStringLiteral("規　格");
    return setting;
}

QString cutUnit(const QString &unit)
{
    return formats::leftCharacters(unit, 4);
}

InvoiceLayout::InvoiceLayout(const PrintHeader &header, const QList<DetailLine> &lines,
                             const PrintSettings &settings, const PaperSetup &paper)
    : m_header(header), m_lines(lines), m_settings(settings), m_paper(paper)
{
    title = QStringLiteral("請求書");
}

void InvoiceLayout::reportStart()
{
    page.pageSize = QPageSize(m_paper.size);
    page.margins = m_paper.margins;
    page.shift = QPointF(m_settings.leftMargin, m_settings.topMargin);
    m_linesPerPage = m_paper.linesPerPage;
    m_pages = pageCount(m_header.最終行, m_linesPerPage);
    m_currentPage = 0;
}

void InvoiceLayout::setText(report::Section &section, QStringView name, const QString &text)
{
    if (Control *c = section.find(name))
        c->text = text;
}

void InvoiceLayout::pageHeaderFormat()
{
    setText(pageHeader, u"txtCday", dateText(m_header, m_settings));
    setText(pageHeader, u"txt顧客名", m_header.顧客名);
    setText(pageHeader, u"txt顧客情報", m_header.顧客情報);
    setText(pageHeader, u"txt自社名", m_header.自社名);
    setText(pageHeader, u"txt自社情報", m_header.自社情報);
    setText(pageFooter, u"txtメモ", m_header.メモ);
    setText(pageHeader, u"txt件名", m_header.件名);
    setText(pageHeader, u"txt敬称", m_header.敬称);
    setText(pageHeader, u"txt請求金額", amountInvoicedText(m_header.請求金額));
    setText(pageHeader, u"txt支払期限",
            m_header.支払期限.isValid() ? QStringLiteral("お支払期限　") + paperDate(m_header.支払期限, m_settings) : QString());
    setText(pageHeader, u"txt伝票番号",
            m_header.isQualified() && m_header.伝票番号 > 0 ? QStringLiteral("No. %1").arg(m_header.伝票番号) : QString());
    setText(pageHeader, u"txt登録番号",
            m_header.登録番号.isEmpty() ? QString() : QStringLiteral("登録番号 ") + m_header.登録番号);
    // The registration number stands under the company name; the company's lines make room.
    if (!m_header.登録番号.isEmpty()) {
        const Control *number = pageHeader.find(u"txt登録番号");
        Control *info = pageHeader.find(u"txt自社情報");
        if (number && info)
            info->rect.setTop(std::max(info->rect.top(), number->rect.bottom() + RegistrationGap));
    }

    ++m_currentPage;
    setText(pageHeader, u"txtTotalPage", QString::number(m_pages));
    setText(pageHeader, u"txtCurPage", QString::number(m_currentPage));

    forEachControl([this](Control &c) {
        if (c.ruled)
            c.color = m_settings.罫線色;
    });
    setText(pageHeader, u"lbl入数", packTitle(m_settings.入数列タイトル));
}

void InvoiceLayout::pageFooterFormat()
{
    setText(pageFooter, u"txt税抜計", groupedText(m_header.税抜計, formats::NumberFormat::Grouped));
    setText(pageFooter, u"txt消費税", groupedText(m_header.消費税, formats::NumberFormat::Grouped));
    setText(pageFooter, u"txt合計", groupedText(m_header.合計, formats::NumberFormat::Grouped));

    // Under the totals, the taxable sum and the tax of each rate when there are two.
    const bool perRate = m_header.軽減税率対象.has_value();
    const auto amount = [&](const std::optional<qint64> &v) {
        return perRate ? groupedText(v, formats::NumberFormat::GroupedZero) : QString();
    };
    setText(pageFooter, u"txt標準税率名", perRate ? QStringLiteral("%1%対象").arg(m_header.消費税率) : QString());
    setText(pageFooter, u"txt標準税率対象", amount(m_header.標準税率対象));
    setText(pageFooter, u"txt標準税率消費税名", perRate ? QStringLiteral("消費税") : QString());
    setText(pageFooter, u"txt標準税率消費税", amount(m_header.標準税率消費税));
    setText(pageFooter, u"txt軽減税率名", perRate ? QStringLiteral("8%対象") : QString());
    setText(pageFooter, u"txt軽減税率対象", amount(m_header.軽減税率対象));
    setText(pageFooter, u"txt軽減税率消費税名", perRate ? QStringLiteral("消費税") : QString());
    setText(pageFooter, u"txt軽減税率消費税", amount(m_header.軽減税率消費税));
    for (const char16_t *name : {u"box税率別", u"line税率別"})
        if (Control *c = pageFooter.find(name))
            c->visible = perRate;
    setText(pageFooter, u"txt軽減税率注記", m_header.軽減税率明細 ? ReducedRateNote : QString());

    const bool bank = !m_header.振込先.isEmpty();
    setText(pageFooter, u"txt振込先見出し", bank ? QStringLiteral("お振込先") : QString());
    setText(pageFooter, u"txt振込先", m_header.振込先);
    if (Control *c = pageFooter.find(u"box振込先"))
        c->visible = bank;
}

double InvoiceLayout::footerHeight(double plain) const
{
    // The bank block takes room of its own under the memo; without it the page is as it was.
    return m_header.振込先.isEmpty() ? plain : plain + BankBlockHeight;
}

void InvoiceLayout::clearDetailFields()
{
    m_row = nullptr;
    for (Control &c : detail.controls)
        if (c.name.startsWith(u"txt"))
            c.text.clear();
}

void InvoiceLayout::bindRow(int row)
{
    m_row = &m_lines.at(row);
    // Without decimals in use a stored fraction (an older invoice) still prints with its
    // decimals, as the screen shows it, so that the line adds up on paper.
    const auto fraction = [](const std::optional<double> &v) { return v && std::trunc(*v) != *v; };
    const bool decimals = m_settings.小数 == u"使用する" || fraction(m_row->数量) || fraction(m_row->単価);
    // At 10 % a line taxed at the reduced rate says so before its name.
    const bool reduced = m_header.消費税率 == 10 && m_row->軽減税率 && !m_row->小計;
    setText(detail, u"txt品名", reduced ? ReducedRateMark + m_row->品名 : m_row->品名);
    setText(detail, u"txt入数", m_row->入数);
    setText(detail, u"txt数量", quantityText(m_row->数量, decimals));
    setText(detail, u"txt単位", cutUnit(m_row->単位));
    setText(detail, u"txt単価", quantityText(m_row->単価, decimals));
    setText(detail, u"txt金額", groupedText(m_row->金額, formats::NumberFormat::GroupedZero));
    setText(detail, u"txt小計FL", m_row->小計 ? QStringLiteral("True") : QStringLiteral("False"));
    if (Control *name = detail.find(u"txt品名"))
        name->font.pointSize = 12;
}

void InvoiceLayout::detailBeforePrint()
{
    const bool subtotal = m_row && m_row->小計;
    for (const char16_t *name : {u"txt品名", u"txt金額"})
        if (Control *c = detail.find(name))
            c->font.bold = subtotal;
    if (subtotal)
        for (const char16_t *name : {u"txt入数", u"txt数量", u"txt単位", u"txt単価"})
            setText(detail, name, QString());
}

} // namespace print
