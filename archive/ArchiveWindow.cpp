#include "archive/ArchiveWindow.h"

#include "app/AmountBox.h"
#include "app/Database.h"
#include "app/DateBox.h"
#include "app/DialogChooser.h"
#include "app/Formats.h"
#include "app/Msg.h"
#include "app/SafeFiles.h"
#include "app/SaveTarget.h"
#include "print/PdfExport.h"
#include "settings/ModQLNVSettings.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QStandardItemModel>
#include <QTableView>
#include <QUrl>

#include <utility>

namespace archive {

namespace {

DocumentOpener &opener()
{
    static DocumentOpener open = [](const QString &path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    return open;
}

QString yen(qint64 amount)
{
    return formats::formatNumber(amount, formats::NumberFormat::GroupedZero);
}

QStringList cells(const Row &r)
{
    return {r.日付.isValid() ? r.日付.toString(QStringLiteral("yyyy/MM/dd")) : QString(), QString::number(r.伝票番号), r.顧客名,
            yen(r.請求金額), r.発行日時.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), r.方法, r.状態};
}

QPushButton *button(QWidget *parent, const char *name, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromUtf8(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

DocumentOpener setDocumentOpener(DocumentOpener open)
{
    return std::exchange(opener(), std::move(open));
}

const QStringList &gridColumns()
{
    static const QStringList columns{QStringLiteral("日付"),     QStringLiteral("伝票番号"), QStringLiteral("取引先"),
                                     QStringLiteral("金額"),     QStringLiteral("発行日時"), QStringLiteral("発行方法"),
                                     QStringLiteral("訂正・削除")};
    return columns;
}

QStringList exportNames(const QList<Row> &rows)
{
    QStringList names;
    QSet<QString> taken;
    for (const Row &r : rows) {
        QStringList parts;
        if (r.日付.isValid())
            parts << r.日付.toString(QStringLiteral("yyyyMMdd"));
        if (const QString who = print::safeFileNamePart(r.顧客名); !who.isEmpty())
            parts << who;
        parts << QString::number(r.請求金額);
        const QString stem = parts.join(u'_');
        QString name = stem;
        for (int n = 2; taken.contains(name.toLower()); ++n)
            name = stem + QStringLiteral("_%1").arg(n);
        taken.insert(name.toLower());
        names << name + QStringLiteral(".pdf");
    }
    return names;
}

ArchiveWindow::ArchiveWindow(QWidget *parent, csvtext::Encoding encoding) : QDialog(parent), m_encoding(encoding)
{
    setObjectName(QStringLiteral("Frm保存書類"));
    setWindowTitle(QStringLiteral("保存書類"));
    const bool era = ModQLNV::年号 == QStringLiteral("和暦");
    const auto dateBox = [&](const char *name) {
        auto *box = new DateBox(this);
        box->setObjectName(QString::fromUtf8(name));
        box->setNullable(true);
        box->setDisplayFormat(formats::datePattern(era ? formats::DateFormat::EraDateSpaced : formats::DateFormat::WesternSlash));
        box->clear();
        return box;
    };
    const auto amountBox = [&](const char *name) {
        auto *box = new AmountBox(this);
        box->setObjectName(QString::fromUtf8(name));
        return box;
    };
    m_from = dateBox("dt保存開始");
    m_to = dateBox("dt保存終了");
    m_min = amountBox("num保存金額下限");
    m_max = amountBox("num保存金額上限");
    m_counterparty = new QComboBox(this);
    m_counterparty->setObjectName(QStringLiteral("cmb保存取引先"));
    m_counterparty->setEditable(true);
    m_counterparty->setInsertPolicy(QComboBox::NoInsert);
    m_counterparty->setMinimumContentsLength(16);
    if (const auto names = db::columnValues(db::data(), QStringLiteral("SELECT DISTINCT 顧客名 FROM 保存書類 ORDER BY 顧客名"))) {
        m_counterparty->addItem(QString());
        for (const QVariant &name : *names)
            m_counterparty->addItem(name.toString());
    }
    m_counterparty->setCurrentIndex(0);

    auto *search = button(this, "cmd保存検索", QStringLiteral("検索"));
    auto *conditions = new QGridLayout;
    conditions->addWidget(new QLabel(QStringLiteral("日付"), this), 0, 0);
    conditions->addWidget(m_from, 0, 1);
    conditions->addWidget(new QLabel(QStringLiteral("〜"), this), 0, 2);
    conditions->addWidget(m_to, 0, 3);
    conditions->addWidget(new QLabel(QStringLiteral("金額"), this), 1, 0);
    conditions->addWidget(m_min, 1, 1);
    conditions->addWidget(new QLabel(QStringLiteral("〜"), this), 1, 2);
    conditions->addWidget(m_max, 1, 3);
    conditions->addWidget(new QLabel(QStringLiteral("取引先"), this), 0, 4);
    conditions->addWidget(m_counterparty, 0, 5);
    conditions->addWidget(search, 1, 5, Qt::AlignRight);
    conditions->setColumnStretch(6, 1);

    m_model = new QStandardItemModel(0, int(gridColumns().size()), this);
    m_model->setHorizontalHeaderLabels(gridColumns());
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("Grid保存書類"));
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setWordWrap(false);
    const int em = fontMetrics().horizontalAdvance(u'あ');
    const auto wide = [this, em](const QString &sample) { return fontMetrics().horizontalAdvance(sample) + em * 2; };
    for (const auto &[column, width] : {std::pair{0, wide(QStringLiteral("0000/00/00"))}, {1, wide(QStringLiteral("伝票番号"))},
                                        {2, em * 16}, {3, wide(QStringLiteral("-00,000,000"))},
                                        {4, wide(QStringLiteral("0000/00/00 00:00:00"))}, {5, wide(QStringLiteral("電子インボイス"))}})
        m_grid->setColumnWidth(column, width);
    int gridWidth = wide(gridColumns().last()) + em * 2;
    for (int column = 0; column + 1 < gridColumns().size(); ++column)
        gridWidth += m_grid->columnWidth(column);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lbl保存件数"));
    auto *show = button(this, "cmd保存表示", QStringLiteral("表示"));
    auto *write = button(this, "cmd保存出力", QStringLiteral("出力"));
    auto *check = button(this, "cmd保存検証", QStringLiteral("検証"));
    auto *close = button(this, "cmd保存閉じる", QStringLiteral("閉じる"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_count);
    buttons->addStretch();
    for (QPushButton *b : {show, write, check, close})
        buttons->addWidget(b);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(conditions);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    resize(gridWidth + em * 2, em * 36);

    connect(search, &QPushButton::clicked, this, &ArchiveWindow::cmd保存検索_Click);
    connect(show, &QPushButton::clicked, this, &ArchiveWindow::cmd保存表示_Click);
    connect(write, &QPushButton::clicked, this, &ArchiveWindow::cmd保存出力_Click);
    connect(check, &QPushButton::clicked, this, &ArchiveWindow::cmd保存検証_Click);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_grid, &QTableView::doubleClicked, this, &ArchiveWindow::cmd保存表示_Click);
    // Seven years of documents are too many to list unasked.
    m_count->setText(QStringLiteral("条件を入れて「検索」を押してください（条件なしで全件）"));
}

void ArchiveWindow::cmd保存検索_Click()
{
    Query query;
    if (m_from->date().isValid())
        query.from = m_from->date();
    if (m_to->date().isValid())
        query.to = m_to->date();
    query.minAmount = m_min->value();
    query.maxAmount = m_max->value();
    query.counterparty = m_counterparty->currentText();
    if (query.from && query.to && *query.from > *query.to) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("注意"), QStringLiteral("日付の範囲は、始めの日を終わりの日より前にしてください。"));
        m_from->setFocus();
        return;
    }
    if (query.minAmount && query.maxAmount && *query.minAmount > *query.maxAmount) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("注意"), QStringLiteral("金額の範囲は、下限を上限より小さくしてください。"));
        m_min->setFocus();
        return;
    }
    const std::optional<QList<Row>> found = search(db::data(), query);
    if (!found) {
        msg::showFailure(QStringLiteral("保存書類を検索できませんでした。データの保存先を確かめてください。"));
        return;
    }
    m_rows = *found;
    m_model->removeRows(0, m_model->rowCount());
    for (const Row &r : std::as_const(m_rows)) {
        QList<QStandardItem *> items;
        const QStringList texts = cells(r);
        for (qsizetype i = 0; i < texts.size(); ++i) {
            auto *item = new QStandardItem(texts[i]);
            if (i == 1 || i == 3)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            items << item;
        }
        m_model->appendRow(items);
    }
    m_count->setText(QStringLiteral("%1 件").arg(m_rows.size()));
    if (!m_rows.isEmpty())
        m_grid->selectRow(0);
}

void ArchiveWindow::cmd保存表示_Click()
{
    const int row = m_grid->currentIndex().row();
    if (row < 0 || row >= m_rows.size()) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("注意"), QStringLiteral("表示する書類を一覧から選んでください。"));
        return;
    }
    const Row &r = m_rows.at(row);
    const std::optional<Content> issued = content(db::data(), r.書類番号);
    const QString folder = QDir::temp().filePath(QStringLiteral("quillon-保存書類"));
    const QString path = QDir(folder).filePath(exportNames({r}).constFirst());
    if (!issued || !QDir().mkpath(folder) || !files::writeWhole(path, issued->pdf) || !opener()(path))
        msg::showFailure(QStringLiteral("保存書類（伝票番号 %1）を表示できませんでした。").arg(r.伝票番号));
}

QString ArchiveWindow::exportIndex(const QStringList &names) const
{
    QStringList columns = gridColumns();
    columns << QStringLiteral("ファイル");
    QString text = csvtext::record(columns);
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        QStringList fields = cells(m_rows[i]);
        fields[2] = csvtext::asText(fields[2]);
        fields[3] = QString::number(m_rows[i].請求金額);
        fields << names[i];
        text += csvtext::record(fields);
    }
    return text;
}

void ArchiveWindow::cmd保存出力_Click()
{
    if (m_rows.isEmpty()) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("注意"), QStringLiteral("出力する書類がありません。先に検索してください。"));
        return;
    }
    const QString folder = ModQLNV::dialogChooser().chooseFolder(this, QStringLiteral("保存書類の出力先フォルダ"),
                                                                 ModQLNV::startFolder(ModQLNV::PDF保存先));
    if (folder.isEmpty())
        return;
    const QDir dir(folder);
    const QStringList names = exportNames(m_rows);
    QString missing;
    const std::optional<QByteArray> index = csvtext::encode(exportIndex(names), m_encoding, &missing);
    if (!index) {
        msg::showFailure(QStringLiteral("索引の文字「%1」は Shift_JIS にないため、出力しませんでした。履歴タブで UTF-8 を選んでください。").arg(missing));
        return;
    }
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        const std::optional<Content> issued = content(db::data(), m_rows[i].書類番号);
        const QString pdf = dir.filePath(names[i]);
        bool ok = issued && files::writeWhole(pdf, issued->pdf);
        if (ok && !issued->xml.isEmpty())
            ok = files::writeWhole(pdf.chopped(4) + QStringLiteral(".xml"), issued->xml);
        if (!ok) {
            msg::showFailure(QStringLiteral("%1 を書き込めませんでした。出力先の空きと書き込みの許可を確かめてください。")
                                 .arg(QDir::toNativeSeparators(pdf)));
            return;
        }
    }
    if (!files::writeWhole(dir.filePath(QStringLiteral("索引.csv")), csvtext::start(m_encoding) + *index)) {
        msg::showFailure(QStringLiteral("索引.csv を書き込めませんでした。"));
        return;
    }
    msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"),
                 QStringLiteral("保存書類 %1 件と索引.csv を出力しました。\n%2").arg(m_rows.size()).arg(QDir::toNativeSeparators(folder)));
}

void ArchiveWindow::cmd保存検証_Click()
{
    const Check check = verify(db::data());
    if (!check.read) {
        msg::showFailure(QStringLiteral("保存書類を読み込めないため、検証できませんでした。"));
        return;
    }
    if (check.problems.isEmpty()) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"),
                     QStringLiteral("保存書類 %1 件と記録 %2 件を検証しました。変更されたものはありません。").arg(check.documents).arg(check.records));
        return;
    }
    constexpr int Shown = 20;
    QString text = QStringLiteral("保存書類が、このプログラムの外で変更されています（%1 件）。\n\n").arg(check.problems.size())
                   + check.problems.mid(0, Shown).join(u'\n');
    if (check.problems.size() > Shown)
        text += QStringLiteral("\nほか %1 件").arg(check.problems.size() - Shown);
    msg::showFailure(text);
}

} // namespace archive
