// The main window on the screens offices use (an office laptop's 1366×768, and one with a
// desktop panel taking 40 pixels of it): at its default size and after everything that makes
// it want more room (long company lines, bank lines, the print panel open, the amounts per
// rate shown), the window lies inside the screen's available area with every button of each
// tab and the status line on it. Offscreen, the test runs itself again on screens of those
// sizes (support/ScreenRun.h); under xvfb-run (see tests/CMakeLists.txt) it runs on the X
// server's screen as it is.
#include "app/Database.h"
#include "invoice/InvoiceTab.h"
#include "shell/QLNV.h"

#include "support/RecordingPresenter.h"
#include "support/ScreenRun.h"
#include "support/TestDataDir.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Everything the user must reach on the current tab lies on the screen, not scrolled away.
void expectAllOnScreen(const QLNV &w, const QString &what)
{
    const QRect available = w.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(w.frameGeometry())) << what.toStdString() << ": the window at "
                                                       << w.frameGeometry().x() << "," << w.frameGeometry().y() << " "
                                                       << w.frameGeometry().width() << "x" << w.frameGeometry().height();
    const auto onScreen = [&](const QWidget *widget) {
        const QRect global(widget->mapToGlobal(QPoint(0, 0)), widget->size());
        return available.contains(global) && widget->visibleRegion().boundingRect() == widget->rect();
    };
    const auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    for (const QPushButton *button : tabs->currentWidget()->findChildren<QPushButton *>())
        if (button->isVisibleTo(&w))
            EXPECT_TRUE(onScreen(button)) << what.toStdString() << ": " << button->objectName().toStdString();
    EXPECT_TRUE(onScreen(w.statusBar())) << what.toStdString() << ": the status line";
}

void checkEveryTab(QLNV &w, const QString &what)
{
    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        expectAllOnScreen(w, what + u' ' + tabs->tabText(i));
    }
    tabs->setCurrentIndex(0);
}

// The checks on the screen this program runs on.
void checkOnThisScreen()
{
    RecordingPresenter boxes;
    {
        TestDataDir dir;
        QLNV w;
        w.Form_Load(dir.programDir());
        QApplication::processEvents();
        checkEveryTab(w, QStringLiteral("at the defaults"));
    }

    TestDataDir dir;
    const QString longLine = QStringLiteral("〒150-0001 東京都渋谷区神宮前一丁目二番三号 やまだビル 七階 七〇一号室 本店営業部 食品事業部門");
    QStringList info;
    for (int i = 0; i < 12; ++i)
        info << longLine;
    ASSERT_TRUE(db::exec(db::data(),
                         QStringLiteral("INSERT INTO 自社情報 (自社名, 自社情報, 消費税率, 登録番号, 振込先, 支払期限) "
                                        "VALUES (?, ?, 0.1, 'T1234567890123', ?, '翌月末')"),
                         {QStringLiteral("株式会社やまだ米穀店 本店営業部 食品事業部門 関東支社 東京営業所"), info.join(u'\n'),
                          QStringLiteral("みどり銀行 本店 普通 1234567 カ）ヤマダベイコクテン\nゆうちょ銀行 〇一八支店 当座 0012345")}));
    QLNV w;
    w.Form_Load(dir.programDir());
    QApplication::processEvents();
    const QSize loaded = w.size();
    checkEveryTab(w, QStringLiteral("with long settings"));

    // The print panel open and the amounts per rate shown: the window stays as it was.
    QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmd印刷")), Qt::LeftButton);
    InvoiceHeader twoRates;
    twoRates.日付 = QDate(2026, 12, 9);
    twoRates.標準税率対象 = 1000;
    twoRates.標準税率消費税 = 100;
    twoRates.軽減税率対象 = 600;
    twoRates.軽減税率消費税 = 48;
    w.invoiceTab()->showHeader(twoRates);
    // A company text longer still, as a save on the settings tab shows it.
    w.findChild<QLabel *>(QStringLiteral("lbl自社情報"))->setText((info + info).join(u'\n'));
    QApplication::processEvents();
    EXPECT_EQ(w.size(), loaded) << "nothing on screen makes the window grow by itself";
    checkEveryTab(w, QStringLiteral("with the print panel and the amounts per rate"));
}

TEST(MainWindowScreen, EveryButtonAndTheStatusLineAreOnALaptopScreen)
{
    if (QGuiApplication::platformName() != u"offscreen") {
        checkOnThisScreen(); // a real X server's screen
        return;
    }
    for (const QSize screen : {QSize(1366, 768), QSize(1366, 728)})
        if (onScreen({screen}))
            checkOnThisScreen();
}

} // namespace
