// "PDF保存" on the print panel: the file written, its name, the question before replacing a
// file, a folder that cannot be written, and the folder remembered for the next time.
#include "PrintTestUtil.h"

#include "app/Database.h"
#include "print/PdfExport.h"
#include "print/PrintPanel.h"
#include "settings/ModQLNVSettings.h"
#include "support/EngineTest.h"
#include "support/FaultMounts.h"
#include "support/RecordingPresenter.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace printtest;

namespace {

TEST(PdfName, IsProposedFromTheInvoiceWithWhatFileSystemsRefuseReplaced)
{
    const struct {
        qint64 number;
        QDate date;
        const char *customer;
        const char *name;
    } cases[] = {
        {123, QDate(2026, 12, 7), "山田商店", "請求書_000123_2026-12-07_山田商店.pdf"},
        {5, QDate(2026, 1, 2), "O'Brien & Co.", "請求書_000005_2026-01-02_O'Brien & Co.pdf"},
        {7, QDate(2026, 1, 2), "A/B:C*D?E\"F<G>H|I\\J", "請求書_000007_2026-01-02_A_B_C_D_E_F_G_H_I_J.pdf"},
        {7, QDate(2026, 1, 2), "  株式会社\n\tみどり\x01  ", "請求書_000007_2026-01-02_株式会社 みどり_.pdf"},
        {7, QDate(2026, 1, 2), "...", "請求書_000007_2026-01-02.pdf"},
        {7, QDate(2026, 1, 2), "", "請求書_000007_2026-01-02.pdf"},
        {2147483647, QDate(), "𠮷野家", "請求書_2147483647_𠮷野家.pdf"},
        {0, QDate(2026, 1, 2), "山田", "請求書_2026-01-02_山田.pdf"},
    };
    for (const auto &c : cases) {
        InvoiceHeader h;
        h.伝票番号 = c.number;
        h.日付 = c.date;
        h.顧客名 = QString::fromUtf8(c.customer);
        EXPECT_EQ(print::proposedPdfName(h), QString::fromUtf8(c.name)) << c.customer;
    }
    // Cut at 40 characters, never inside one: 𠮷 is two UTF-16 units, 葛󠄀 a kanji and its
    // variation selector, が here か and a combining mark.
    const struct {
        QString name;
        QString cut;
    } lengths[] = {
        {QString(100, u'長'), QString(40, u'長')},
        {QString(39, u'長') + QStringLiteral("𠮷𠮷"), QString(39, u'長') + QStringLiteral("𠮷")},
        {QStringLiteral("𠮷").repeated(41), QStringLiteral("𠮷").repeated(40)},
        {QString(39, u'長') + QStringLiteral("葛\U000E0100屋"), QString(39, u'長') + QStringLiteral("葛\U000E0100")},
        {QString(39, u'長') + QStringLiteral("か\u3099き"), QString(39, u'長') + QStringLiteral("か\u3099")},
    };
    for (const auto &c : lengths)
        EXPECT_EQ(print::safeFileNamePart(c.name), c.cut) << c.name.toStdString();
}

class PdfSaveTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ModQLNV::resetSettingsGlobals();
        panel.emplace();
        panel->setInvoiceSource([this] { return invoice; });
        ASSERT_TRUE(detail::replaceLines(db::work(), realisticLines()));
        panel->Open印刷選択();
    }
    void TearDown() override
    {
        panel.reset();
        ModQLNV::resetSettingsGlobals();
        EngineTest::TearDown();
    }

    static QList<DetailLine> realisticLines()
    {
        QList<DetailLine> lines;
        for (int i = 1; i <= 16; ++i)
            lines << line(QStringLiteral("特選コシヒカリ %1kg").arg(i), i, QStringLiteral("袋"), 1990 + 10 * i);
        return lines;
    }
    void save(const QString &answer)
    {
        boxes.fileAnswers << answer;
        QTest::mouseClick(panel->findChild<QPushButton *>(QStringLiteral("cmdPDF保存")), Qt::LeftButton);
    }
    static QByteArray digest(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1) : QByteArray();
    }

    QTemporaryDir out;
    RecordingPresenter boxes;
    InvoiceHeader invoice = sampleInvoice();
    std::optional<Cn印刷選択> panel; // made once the data directory is there
};

QUILLON_ON_BOTH_ENGINES(PdfSaveTest);

TEST_P(PdfSaveTest, WritesTheInvoiceAsTheRendererDrawsItAndRemembersTheFolder)
{
    QList<QByteArray> issued; // the saved file is an issue of the invoice, a cancelled one is not
    QObject::connect(&*panel, &PrintPanel::issued, [&issued](archive::Method how, const InvoiceHeader &, const QByteArray &pdf) {
        EXPECT_EQ(how, archive::Method::Pdf);
        issued << pdf;
    });
    save(out.filePath(QStringLiteral("chosen"))); // the extension is added
    const QString path = out.filePath(QStringLiteral("chosen.pdf"));
    ASSERT_TRUE(QFile::exists(path)) << boxes.texts().join(u'|').toStdString();
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(issued, QList<QByteArray>{written.readAll()});
    ASSERT_EQ(boxes.fileRequests.size(), 1);
    EXPECT_TRUE(boxes.fileRequests[0].dir.endsWith(QStringLiteral("/請求書_000012_2026-12-07_株式会社みどり商店.pdf")))
        << boxes.fileRequests[0].dir.toStdString();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("PDF を保存しました。\n") + QDir::toNativeSeparators(path)});

    const QString text = run("pdftotext", {QStringLiteral("-layout"), path, QStringLiteral("-")});
    EXPECT_EQ(text.count(u'\f'), 2) << "sixteen lines make two A4 pages";
    for (const char *expected : {"株式会社みどり商店", "¥12,600", "特選コシヒカリ 16kg", "12,000", "お振込は月末までにお願いします。"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    const QString fonts = run("pdffonts", {path});
    EXPECT_TRUE(fonts.contains(QStringLiteral("IPAPMincho"))) << fonts.toStdString();

    // B5 holds twelve lines a page.
    QComboBox *paper = panel->findChild<QComboBox *>(QStringLiteral("cmb用紙選択"));
    paper->setCurrentIndex(paper->findText(QStringLiteral("B5白紙")));
    boxes.clear();
    save(out.filePath(QStringLiteral("b5.pdf")));
    EXPECT_TRUE(run("pdfinfo", {out.filePath(QStringLiteral("b5.pdf"))}).contains(QStringLiteral("516 x 729 pts")))
        << "JIS B5";
    EXPECT_EQ(run("pdftotext", {out.filePath(QStringLiteral("b5.pdf")), QStringLiteral("-")}).count(u'\f'), 2);

    // The folder is remembered in the settings and proposed the next time.
    EXPECT_EQ(ModQLNV::PDF保存先, out.path());
    ASSERT_TRUE(ModQLNV::Read自社情報());
    EXPECT_EQ(ModQLNV::PDF保存先, out.path()) << "read back from the settings row";
    boxes.clear();
    save(QString()); // cancelled
    EXPECT_EQ(issued.size(), 2) << "A4 and B5";
    ASSERT_EQ(boxes.fileRequests.size(), 1);
    EXPECT_EQ(QFileInfo(boxes.fileRequests[0].dir).absolutePath(), out.path());
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_P(PdfSaveTest, AFileThatExistsIsReplacedOnlyAfterAYes)
{
    const QString path = out.filePath(QStringLiteral("請求書.pdf"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older invoice");
    old.close();
    const QByteArray before = digest(path);

    boxes.answers << QMessageBox::No;
    save(path);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("ファイル %1 はすでにあります。置き換えますか？").arg(QDir::toNativeSeparators(path)));
    EXPECT_EQ(boxes.shown[0].defaultButton, QMessageBox::No);
    EXPECT_EQ(digest(path), before) << "No keeps the file";

    boxes.clear();
    boxes.answers << QMessageBox::Yes;
    save(path);
    EXPECT_NE(digest(path), before);
    EXPECT_TRUE(run("pdftotext", {path, QStringLiteral("-")}).contains(QStringLiteral("株式会社みどり商店")));
}

TEST_P(PdfSaveTest, AFolderThatCannotBeWrittenIsNamedAndNothingIsLeft)
{
    ReadOnlyView view(out.path());
    if (!view.isValid())
        GTEST_SKIP() << NoMountReason;
    const QString path = view.path() + QStringLiteral("/請求書.pdf");
    save(path);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].text.contains(QDir::toNativeSeparators(view.path()))) << boxes.shown[0].text.toStdString();
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("書き込めない")));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(ModQLNV::PDF保存先.isEmpty()) << "a folder nothing was saved to is not remembered";
}

} // namespace
