#include "app/shell/QLNV.h"

#include "app/Locations.h"
#include "invoice/InvoiceTab.h"
#include "records/HistoryTab.h"
#include "settings/ModQLNVSettings.h"
#include "settings/SettingsTab.h"
#include "ui_QLNV.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QShortcut>
#include <QStatusBar>
#include <QWindow>

QLNV::QLNV(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::QLNV>())
{
    ui->setupUi(this);
    m_invoice = new InvoiceTab(this);
    m_history = new HistoryTab(this);
    m_settings = new SettingsTab(this);
    ui->SSTab1->addTab(m_invoice, QStringLiteral("請求書"));
    ui->SSTab1->addTab(m_history, QStringLiteral("履歴"));
    ui->SSTab1->addTab(m_settings, QStringLiteral("設定"));

    // cmd閉じる, Command11 and Command8 sit on the three tabs; each closes the program.
    connect(m_invoice, &InvoiceTab::closeRequested, this, &QWidget::close);
    connect(m_history, &HistoryTab::closeRequested, this, &QWidget::close);
    connect(m_settings, &SettingsTab::closeRequested, this, &QWidget::close);

    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    esc->setContext(Qt::WindowShortcut);
    connect(esc, &QShortcut::activated, this, &QWidget::close);

    // Double-clicking the company name or details on the invoice tab opens the settings
    // tab with the cursor in the matching box.
    connect(m_invoice, &InvoiceTab::companyNameDoubleClicked, this, [this] {
        ui->SSTab1->setCurrentWidget(m_settings);
        m_settings->focusCompanyName();
    });
    connect(m_invoice, &InvoiceTab::companyInfoDoubleClicked, this, [this] {
        ui->SSTab1->setCurrentWidget(m_settings);
        m_settings->focusCompanyInfo();
    });
    // A company name is shown as typed, never read as markup.
    m_invoice->companyNameLabel()->setTextFormat(Qt::PlainText);
    m_invoice->companyInfoLabel()->setTextFormat(Qt::PlainText);
    m_settings->bindCompanyLabels(m_invoice->companyNameLabel(), m_invoice->companyInfoLabel());
}

QLNV::~QLNV() = default;

void QLNV::Form_Load(const QString &programDir)
{
    show();
    QApplication::processEvents();

    // The development marker is a Windows path: nothing to probe here.
    ModQLNV::setLocations(ModQLNV::locationsFor(programDir, false));
    ModQLNV::Read自社情報();

    FormInit();
    m_settings->Clear設定();
    m_settings->Read設定();
    m_invoice->companyNameLabel()->setText(ModQLNV::自社名);
    m_invoice->companyInfoLabel()->setText(ModQLNV::自社情報);
    reportMissingData();
}

void QLNV::FormInit()
{
    m_settings->FormInit商品表示順();
    ui->lblVersion->setText(QStringLiteral("QLNV 請求書 Ver ") + ModQLNV::AppVersion
                            + QStringLiteral(" LastUpdate ") + ModQLNV::LastUpdate);
}

// A missing data folder or file is not an error box at start-up: the window opens and
// the status line says what is missing, so the user knows why nothing can be listed or saved.
void QLNV::reportMissingData()
{
    QStringList missing;
    if (!QFileInfo(ModQLNV::DataDir).isDir()) {
        missing << QStringLiteral("データフォルダ %1").arg(QDir::toNativeSeparators(ModQLNV::DataDir));
    } else {
        for (const QString &path : {ModQLNV::DataMdbPath, ModQLNV::WorkMdbPath}) {
            if (!QFileInfo::exists(path))
                missing << QStringLiteral("データファイル %1").arg(QDir::toNativeSeparators(path));
        }
    }
    if (missing.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(missing.join(QStringLiteral("、")) + QStringLiteral(" がありません。"));
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
    // Close every other window of the program first, the last opened first. The window
    // list keeps the order in which the windows were made.
    const QWindowList windows = QGuiApplication::topLevelWindows();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWindow *w = *it;
        if (w == windowHandle() || !w->isVisible())
            continue;
        w->close();
        QApplication::processEvents();
    }
    event->accept();
}
