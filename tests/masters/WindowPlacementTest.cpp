// The master windows open inside the screen's free area with every button in view, on a
// laptop's screen and on a smaller one where they have to shrink. Each screen is the offscreen
// screen of a copy of this program started for it.
#include "MastersTestUtil.h"

#include "masters/CodeTableWindow.h"
#include "masters/CustomerWindow.h"
#include "masters/ProductWindow.h"
#include "support/ScreenRun.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <memory>

using namespace masterstest;

namespace {


std::string text(const QRect &r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

void expectInside(QWidget *window, const QRect &area)
{
    EXPECT_TRUE(area.contains(window->frameGeometry())) << text(window->frameGeometry()) << " on " << text(area);
    for (const QPushButton *button : window->findChildren<QPushButton *>()) {
        if (!button->isVisibleTo(window))
            continue;
        const QRect inWindow(button->mapTo(window, QPoint()), button->size());
        EXPECT_TRUE(window->rect().contains(inWindow)) << button->objectName().toStdString() << " at " << text(inWindow);
    }
}

TEST(MasterWindowPlacement, EachWindowOpensInsideTheScreenWithEveryButton)
{
    enum Kind { Customers, CustomerDetails, Products, Codes };
    const struct {
        const char *what;
        Kind kind;
        bool movedOut; // left partly off the screen the last time
    } cases[] = {
        {"customers", Customers, false},         {"customers, moved out", Customers, true},
        {"customer details", CustomerDetails, false}, {"products", Products, false},
        {"code tables", Codes, false},           {"code tables, moved out", Codes, true},
    };
    for (const QSize screen : {QSize(1366, 768), QSize(800, 600)}) {
        if (!onScreen({screen}))
            continue;
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        for (const auto &c : cases) {
            SCOPED_TRACE(c.what);
            ModQLNV::resetSettingsGlobals();
            TestDataDir dir;
            ModQLNV::Read自社情報();
            std::unique_ptr<QWidget> window;
            if (c.kind == Products)
                window = std::make_unique<ProductWindow>();
            else if (c.kind == Codes)
                window = std::make_unique<CodeTableWindow>();
            else
                window = std::make_unique<CustomerWindow>();
            if (c.movedOut)
                window->move(area.bottomRight() - QPoint(120, 80));
            // Shown as the main window shows them: then the list is read.
            window->show();
            if (auto *customers = qobject_cast<CustomerWindow *>(window.get()))
                customers->Form_Load();
            if (auto *products = qobject_cast<ProductWindow *>(window.get()))
                products->Form_Load();
            if (c.kind == CustomerDetails)
                QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmd詳細")), Qt::LeftButton);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
            expectInside(window.get(), area);
        }
    }
}

} // namespace
