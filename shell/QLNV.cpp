#include "shell/QLNV.h"

#include "app/DataSource.h"
#include "app/Database.h"
#include "app/Locations.h"
#include "app/Msg.h"
#include "app/ScreenFit.h"
#include "archive/ArchiveWindow.h"
#include "archive/Issuing.h"
#include "einvoice/ElectronicInvoice.h"
#include "invoice/Decimal.h"
#include "invoice/DetailGrid.h"
#include "invoice/InvoiceTab.h"
#include "masters/CodeTableWindow.h"
#include "masters/CustomerWindow.h"
#include "masters/ProductWindow.h"
#include "print/PrintPanel.h"
#include "records/HistoryTab.h"
#include "shell/InvoiceRecords.h"
#include "settings/ModQLNVSettings.h"
#include "settings/SettingsRow.h"
#include "settings/SettingsTab.h"
#include "ui_QLNV.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QWindow>

namespace {

// Escape that closes an open list or calendar closes only that. On a real X keyboard the
// press that hides the popup comes back to the window as a shortcut once the popup is gone,
// with the grid's editor focused and no popup left to tell: so the press is remembered from
// the moment the popup sees it until the key is released.
class PopupEscapeGuard : public QObject
{
public:
    explicit PopupEscapeGuard(QObject *parent) : QObject(parent) { qApp->installEventFilter(this); }

    bool closedAPopup() const { return m_pressedInPopup; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride || type == QEvent::KeyRelease)
            && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (type == QEvent::KeyRelease && !key->isAutoRepeat())
                m_pressedInPopup = false;
            else if (type != QEvent::KeyRelease && QApplication::activePopupWidget())
                m_pressedInPopup = true;
        }
        return false;
    }

private:
    bool m_pressedInPopup = false;
};

} // namespace

QLNV::QLNV(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::QLNV>())
{
    ui->setupUi(this);
    m_invoice = new InvoiceTab(this);
    m_history = new HistoryTab(this);
    m_settings = new SettingsTab(this);
    // Each tab scrolls when the window is smaller than the tab (a small screen): no tab ever
    // makes the window grow past the screen.
    for (const auto &[tab, title] : {std::pair<QWidget *, QString>{m_invoice, QStringLiteral("請求書")},
                                     {m_history, QStringLiteral("履歴")},
                                     {m_settings, QStringLiteral("設定")}}) {
        auto *area = new QScrollArea;
        area->setObjectName(tab->objectName() + QStringLiteral("Scroll"));
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(true);
        area->setWidget(tab);
        ui->SSTab1->addTab(area, title);
    }

    // cmd閉じる, Command11 and Command8 sit on the three tabs; each closes the program.
    connect(m_invoice, &InvoiceTab::closeRequested, this, &QWidget::close);
    connect(m_history, &HistoryTab::closeRequested, this, &QWidget::close);
    connect(m_settings, &SettingsTab::closeRequested, this, &QWidget::close);

    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    esc->setContext(Qt::WindowShortcut);
    auto *popupEscape = new PopupEscapeGuard(this);
    connect(esc, &QShortcut::activated, this, [this, popupEscape] {
        if (!popupEscape->closedAPopup())
            close();
    });

    // Double-clicking the company name or details on the invoice tab opens the settings
    // tab with the cursor in the matching box.
    connect(m_invoice, &InvoiceTab::companyNameDoubleClicked, this, [this] {
        showTab(m_settings);
        m_settings->focusCompanyName();
    });
    connect(m_invoice, &InvoiceTab::companyInfoDoubleClicked, this, [this] {
        showTab(m_settings);
        m_settings->focusCompanyInfo();
    });
    // The settings tab saves the company lines when the user leaves their boxes changed; the
    // invoice tab shows what is stored.
    connect(m_invoice, &InvoiceTab::companyLinesShown, m_settings, &SettingsTab::setCompanyLinesShown);
    connect(m_settings, &SettingsTab::companyLinesStored, m_invoice, &InvoiceTab::showCompanyLines);

    // The invoice tab and the history tab meet here: a full clear empties the history list,
    // the customer names fill both name lists, and a history row opens its invoice.
    connect(m_invoice, &InvoiceTab::historyClearRequested, m_history, &HistoryTab::Clear履歴);
    connect(m_invoice, &InvoiceTab::customerNamesChanged, m_history, &HistoryTab::setCustomerNames);
    m_invoice->setTaxRoundingSource([this] { return m_settings->form().税端数; });

    // A restored data file is read again as at start-up: the invoice being typed is cleared.
    connect(m_settings, &SettingsTab::dataRestored, this, [this] {
        FormInit();
        m_invoice->Clear請求書(true);
        m_history->Clear履歴();
        m_invoice->createSyokeiLineStyle();
        reportDataProblems();
    });

    m_records = new InvoiceRecords(m_invoice, this);
    connect(m_records, &InvoiceRecords::invoiceSaved, m_settings, &SettingsTab::Read設定);
    connect(m_history, &HistoryTab::openInvoiceRequested, this, [this](qint64 number) {
        showTab(m_invoice);
        m_invoice->enterInvoiceNumber(number);
        m_invoice->focusCustomerName();
    });

    // The print panel belongs to print/, which the invoice tab may not include: it is placed
    // on the tab from here and opened by the tab's print button.
    m_printPanel = new PrintPanel(m_invoice);
    m_printPanel->setInvoiceSource([this] { return m_invoice->header(); });
    m_invoice->setPrintPanel(m_printPanel);
    m_invoice->printButton()->setEnabled(true);
    connect(m_invoice->printButton(), &QPushButton::clicked, m_printPanel, &PrintPanel::Open印刷選択);
    connect(m_printPanel, &PrintPanel::previewFinished, m_invoice, &InvoiceTab::focusCustomerName);
    connect(m_printPanel, &PrintPanel::cancelled, this, [this] { m_invoice->grid()->setFocus(); });
    connect(m_printPanel, &PrintPanel::electronicInvoiceRequested, this,
            [this] { einvoice::writeFromScreen(this, m_invoice->header()); });
    connect(m_history, &HistoryTab::electronicInvoicesRequested, this,
            [this](const QList<qint64> &numbers) { einvoice::writeListed(this, numbers); });
    // What was printed or saved as PDF goes into the archive of issued invoices as it stands.
    connect(m_printPanel, &PrintPanel::issued, this, [](archive::Method how, const InvoiceHeader &invoice, const QByteArray &pdf) {
        if (const auto lines = detail::readLines(db::work()))
            archive::archiveIssued(archive::issueOf(invoice, *lines, pdf, {}, how));
        else
            msg::showFailure(QStringLiteral("請求書の明細を読み込めないため、保存書類に記録できませんでした。"));
    });
    connect(m_history, &HistoryTab::archiveRequested, this, [this] {
        Frm保存書類 window(this, m_history->csvEncoding());
        window.exec();
    });

    wireMasters();
}

QLNV::~QLNV()
{
    db::setServerStatusListener({});
    // Hidden while this is still a whole QLNV: QWidget's destructor would hide the window
    // later, and the focus leaving an open cell then commits it through the tab's wiring,
    // which calls back into this object.
    hide();
}

void QLNV::Form_Load(const QString &programDir)
{
    // The development marker is a Windows path: nothing to probe here.
    ModQLNV::Locations locations = ModQLNV::locationsFor(programDir, false);
    locations.libraryDir = ModQLNV::libraryDirFor(QCoreApplication::applicationDirPath());
    Form_Load(locations);
}

void QLNV::Form_Load(const ModQLNV::Locations &locations)
{
    show();
    QApplication::processEvents();

    ModQLNV::setLocations(locations);
    // A server that goes away, or comes back, is named in the status line at once; the
    // listener may be told on any thread.
    db::setServerStatusListener([this](const QString &problem) {
        QMetaObject::invokeMethod(
            this,
            [this, problem] {
                m_serverProblem = problem;
                showStatus();
            },
            Qt::QueuedConnection);
    });
    // What a restore or upgrade stopped half-way left is put right, and files of an older
    // version are brought up to date, before anything reads them.
    m_recovery = recovery::recoverDataDir(ModQLNV::DataDir);
    m_upgrade = schema::upgradeDataDir(ModQLNV::DataDir);
    if (!m_upgrade.ok())
        qWarning("Quillon: %s", qPrintable(m_upgrade.error));
    // A load starts from the defaults of a fresh start, whatever an earlier window read.
    ModQLNV::resetSettingsGlobals();
    ModQLNV::Read自社情報();

    FormInit();
    m_settings->Clear設定();
    m_settings->Read設定();
    m_invoice->Clear請求書(true);
    m_history->Clear履歴();
    m_invoice->createSyokeiLineStyle();
    reportDataProblems();
    fitToScreen();
}

void QLNV::FormInit()
{
    m_settings->FormInit商品表示順();
    m_invoice->FormInit();
    m_history->applyDateStyle();
    m_history->applyQualified();
    ui->lblVersion->setText(QStringLiteral("QLNV 請求書 Ver ") + ModQLNV::AppVersion
                            + QStringLiteral(" LastUpdate ") + ModQLNV::LastUpdate);
}

// Why a data or work file is not used: another program's file, a newer program's, or one of
// an older version whose upgrade failed.
QString QLNV::foreignFileText(const QString &path, const QString &problem) const
{
    const QString shown = QDir::toNativeSeparators(path);
    const auto version = db::fileVersion(path);
    if (version && *version > db::expectedVersion(path))
        return QStringLiteral("データファイル %1 はこのプログラムより新しい版で作られています。使わずにそのままにしています。"
                              "新しい版のプログラムをお使いください。")
            .arg(shown);
    if (path == m_upgrade.failedFile)
        return QStringLiteral("データファイル %1 を新しい版に更新できませんでした。元のままにしています。%2")
            .arg(shown, db::failureText(m_upgrade.failure, path));
    return QStringLiteral("データファイル %1 はこのプログラムのデータファイルではありません（%2）。使わずにそのままにしています。")
        .arg(shown, problem);
}

// The status line's word on backups: none for a while, or none yet while invoices are stored.
QString QLNV::backupReminder() const
{
    if (!db::data().isOpen())
        return {};
    const QDateTime last = QDateTime::fromString(ModQLNV::最終バックアップ, Qt::ISODate);
    if (last.isValid()) {
        const qint64 days = last.date().daysTo(QDate::currentDate());
        if (days < ModQLNV::バックアップ間隔)
            return {};
        return QStringLiteral("最後のバックアップから %1 日たっています。設定タブの「バックアップ」で控えを作ってください。").arg(days);
    }
    QSqlQuery q(db::data());
    if (!q.exec(QStringLiteral("SELECT EXISTS (SELECT 1 FROM 請求書ヘッダ)")) || !q.next() || !q.value(0).toBool())
        return {};
    return QStringLiteral("まだバックアップがありません。設定タブの「バックアップ」で控えを作ってください。");
}

// A missing, unreadable or read-only data file is not an error box at start-up: the window
// opens and the status line says what is wrong, so the user knows why nothing can be listed
// or saved.
void QLNV::reportDataProblems()
{
    QStringList problems;
    // The data database on a server: reached, and writable, or why not.
    const db::DataSource source = db::dataSource();
    const bool dataOnServer = source.isServer() || !source.problem.isEmpty();
    if (dataOnServer) {
        const QSqlDatabase data = db::data();
        db::Failure failure = db::Failure::None;
        if (!data.isOpen())
            m_serverProblem = db::failureText(db::lastFailure(), db::dataPlace());
        else if (failure = db::writeProbe(data); failure != db::Failure::None && failure != db::Failure::InUse)
            problems << db::failureText(failure, db::dataPlace()) + QStringLiteral("登録はできません。");
        else
            m_serverProblem.clear();
    }
    if (!QFileInfo(ModQLNV::DataDir).isDir()) {
        problems << QStringLiteral("データフォルダ %1 がありません。").arg(QDir::toNativeSeparators(ModQLNV::DataDir));
    } else {
        const struct {
            const QString &path;
            QSqlDatabase (*open)();
            QString cannotWrite; // what the user cannot do then
        } files[] = {{ModQLNV::DataMdbPath, &db::data, QStringLiteral("登録はできません。")},
                     {ModQLNV::WorkMdbPath, &db::work, QStringLiteral("明細は入力できません。")}};
        for (const auto &file : files) {
            if (dataOnServer && &file.path == &ModQLNV::DataMdbPath)
                continue;
            const QString shown = QDir::toNativeSeparators(file.path);
            QString foreign;
            db::Failure failure = db::Failure::None;
            if (!QFileInfo::exists(file.path))
                problems << QStringLiteral("データファイル %1 がありません。").arg(shown);
            else if (foreign = db::foreignFileProblem(file.path); !foreign.isEmpty())
                problems << foreignFileText(file.path, foreign);
            else if (!db::exec(file.open(), QStringLiteral("SELECT count(*) FROM sqlite_master")))
                problems << db::failureText(db::lastFailure(), file.path);
            // Another program holding the file for a moment is no lasting problem.
            else if (failure = db::writeProbe(file.open()); failure != db::Failure::None && failure != db::Failure::InUse)
                problems << db::failureText(failure, file.path) + file.cannotWrite;
        }
        // SQLite makes its journal files beside the data: a folder that takes no new file
        // keeps anything from being stored, even when the files themselves are writable.
        if (problems.isEmpty() && !QFileInfo(ModQLNV::DataDir).isWritable())
            problems << QStringLiteral("データフォルダ %1 に書き込めません（読み取り専用です）。登録はできません。")
                            .arg(QDir::toNativeSeparators(ModQLNV::DataDir));
    }
    // A settings row from an older copy, or a damaged one, may name a rounding that is none
    // of the three: no amount is decided by it until the user chooses one.
    for (const auto &[what, text] : {std::pair{QStringLiteral("行端数"), ModQLNV::行端数},
                                     std::pair{QStringLiteral("税端数"), ModQLNV::税端数}})
        if (!calc::roundingFromText(text))
            problems << calc::unknownRoundingText(what, text);
    if (!settings::taxPercentFromText(ModQLNV::消費税率))
        problems << QStringLiteral("消費税率の設定「%1」は使えないため、消費税を計算できません。設定タブで選び直して登録してください。")
                        .arg(ModQLNV::消費税率);
    // The data and work files share their folder, and often the reason too.
    problems.removeDuplicates();
    if (const QString recovered = recovery::statusText(m_recovery); !recovered.isEmpty()) {
        problems << recovered;
        m_recovery = {}; // said once
    }
    if (m_upgrade.ok() && !m_upgrade.upgraded.isEmpty()) {
        QStringList copies;
        for (const QString &backup : m_upgrade.backups)
            copies << QDir::toNativeSeparators(backup);
        problems << QStringLiteral("データファイルを新しい版に更新しました。元のファイルの控え: %1").arg(copies.join(QStringLiteral("、")));
        // Said once; a later report (after a restore) has other news.
        m_upgrade.upgraded.clear();
    }
    if (const QString reminder = backupReminder(); !reminder.isEmpty())
        problems << reminder;
    m_problems = problems;
    showStatus();
}

void QLNV::showStatus()
{
    QStringList lines = m_problems;
    if (!m_serverProblem.isEmpty())
        lines.prepend(m_serverProblem);
    lines.removeDuplicates();
    if (lines.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(lines.join(QStringLiteral("　")));
}

QWidget *QLNV::tabAt(int index) const
{
    return static_cast<QScrollArea *>(ui->SSTab1->widget(index))->widget();
}

void QLNV::showTab(QWidget *tab)
{
    for (int i = 0; i < ui->SSTab1->count(); ++i)
        if (tabAt(i) == tab)
            ui->SSTab1->setCurrentIndex(i);
}

void QLNV::fitToScreen()
{
    // What the tabs want, and what the window holds around them (the tab bar, the version
    // line, the status line), once laid out.
    QSize wanted;
    for (int i = 0; i < ui->SSTab1->count(); ++i) {
        // A layout whose widgets changed since it was last laid out answers from its cache.
        tabAt(i)->layout()->invalidate();
        tabAt(i)->layout()->activate();
        wanted = wanted.expandedTo(tabAt(i)->sizeHint());
    }
    const QSize around = size() - static_cast<QScrollArea *>(ui->SSTab1->currentWidget())->viewport()->size();
    resize(wanted + around);
    screenfit::fitIntoScreen(this);
}

void QLNV::showInvoiceTab(bool activate)
{
    showTab(m_invoice);
    if (activate) {
        raise();
        activateWindow();
    }
}

void QLNV::bringToFront()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void QLNV::closeEvent(QCloseEvent *event)
{
    if (!mayCloseInvoice()) {
        event->ignore();
        return;
    }
    // Close every other window of the program first, the last opened first. The window
    // list keeps the order in which the windows were made. A window kept open for its
    // changes (a master window's No) keeps the program open.
    const QWindowList windows = QGuiApplication::topLevelWindows();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWindow *w = *it;
        if (w == windowHandle() || !w->isVisible())
            continue;
        const bool closed = w->close();
        QApplication::processEvents();
        if (!closed) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

bool QLNV::mayCloseInvoice() const
{
    // Enter keeps the invoice: closing loses it.
    return !m_invoice->hasUnsavedInput() || msg::askDefaultNo(QStringLiteral("入力中の請求書は保存されていません。終了しますか？"));
}
