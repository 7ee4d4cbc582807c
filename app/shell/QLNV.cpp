#include "app/shell/QLNV.h"

#include "app/Locations.h"
#include "invoice/InvoiceTab.h"
#include "records/HistoryTab.h"
#include "settings/SettingsTab.h"
#include "ui_QLNV.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
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
}

QLNV::~QLNV() = default;

void QLNV::Form_Load(const QString &programDir)
{
    show();
    QApplication::processEvents();

    // The development marker is a Windows path: nothing to probe here.
    ModQLNV::setLocations(ModQLNV::locationsFor(programDir, false));

    FormInit();
    reportMissingData();
}

void QLNV::FormInit()
{
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
