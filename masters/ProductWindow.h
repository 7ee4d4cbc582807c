#pragma once
// The product master window Frm商品情報: the edit copy w商品マスタ in a grid, written back over
// the product master as a whole ("登録"), ticked products deleted, and the current product
// copied into the invoice's current line ("選択"; the window stays open for the next one).
//
// The window knows nothing of the invoice: it signals the chosen product, and the main window
// puts it into the invoice's line.
#include <QMetaType>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class MasterCopyModel;
class ProgressPanel;

namespace Ui {
class ProductWindow;
}

namespace masters {

// A product handed to an invoice line. An empty field (and no price) is not to be put in;
// the pack size is never handed over.
struct ChosenProduct {
    QString 品名;
    QString 単位;
    std::optional<double> 単価;
    QString ふりがな;
    bool 非課税 = false;
    bool 軽減税率 = false;
};

// The heading of the pack-size column: "入数" and "規格" are spaced with an ideographic
// space, any other title (an empty one too) stands as it is.
QString packSizeHeading(const QString &入数列タイトル);

} // namespace masters

Q_DECLARE_METATYPE(masters::ChosenProduct)

class ProductWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ProductWindow(QWidget *parent = nullptr);
    ~ProductWindow() override;

    // Opening: FormInit, then the master read into the edit copy. Run each time the window is
    // shown again, so that it shows the master, not edits left unregistered.
    void Form_Load();

    // The number form of 単価 and the pack-size heading, from the settings; run again when
    // they change.
    void FormInit();
    void Read商品マスタ();
    void Entry商品情報();
    void Clear商品情報();
    void Delete商品();
    void Read商品リンク();

    // "選択" and a double-click: hands the current row over; the window stays open.
    void choose();

signals:
    void productChosen(const masters::ChosenProduct &product);
    // The product master was changed (the invoice's product list is to be read again).
    void productsChanged();

protected:
    void showEvent(QShowEvent *event) override;
    // Asks first when the list holds changes not registered.
    void closeEvent(QCloseEvent *event) override;

private:
    std::optional<double> checkPrice(const QString &typed);

    std::unique_ptr<Ui::ProductWindow> ui;
    MasterCopyModel *m_model = nullptr;
    ProgressPanel *m_notice = nullptr;
};
