#include "masters/CodeTableWindow.h"

#include "app/ScreenFit.h"
#include "app/Database.h"
#include "app/Helpers.h"
#include "app/Msg.h"
#include "masters/CodeTable.h"
#include "masters/MasterActions.h"
#include "settings/ModQLNVSettings.h"
#include "settings/PickOnlyCombo.h"
#include "ui_CodeTableWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QSignalBlocker>
#include <QSqlTableModel>
#include <QStyledItemDelegate>

#include <functional>

namespace codeswindow {

// wコードマスタ as the grid shows it: only the name can be edited, チェック is a check box
// without text, an emptied name goes back to Null (free).
class SlotModel : public QSqlTableModel
{
public:
    SlotModel(const QSqlDatabase &work, QObject *parent)
        : QSqlTableModel(parent, work)
    {
        setTable(QStringLiteral("wコードマスタ"));
        setSort(CodeTableWindow::Col行番号, Qt::AscendingOrder);
        // Edits stay here until "登録"; "読込" and a change of category just read again.
        setEditStrategy(QSqlTableModel::OnManualSubmit);
        setHeaderData(CodeTableWindow::Col行番号, Qt::Horizontal, QStringLiteral("行番号"));
        setHeaderData(CodeTableWindow::Colチェック, Qt::Horizontal, QString());
        setHeaderData(CodeTableWindow::Colcode, Qt::Horizontal, QStringLiteral("code"));
        setHeaderData(CodeTableWindow::Colsname, Qt::Horizontal, QStringLiteral("名     称"));
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        const Qt::ItemFlags shown = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
        return index.column() == CodeTableWindow::Colsname ? shown | Qt::ItemIsEditable : shown;
    }

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override
    {
        if (index.column() == CodeTableWindow::Colチェック) {
            if (role == Qt::CheckStateRole)
                return QSqlTableModel::data(index, Qt::EditRole).toInt() != 0 ? Qt::Checked : Qt::Unchecked;
            if (role == Qt::DisplayRole || role == Qt::EditRole)
                return {};
        }
        if (role == Qt::TextAlignmentRole && index.column() != CodeTableWindow::Colsname)
            return QVariant::fromValue(Qt::AlignCenter);
        return QSqlTableModel::data(index, role);
    }

    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override
    {
        if (role != Qt::EditRole || index.column() != CodeTableWindow::Colsname)
            return QSqlTableModel::setData(index, value, role);
        const QVariant name = db::textOrNull(value.toString());
        const QVariant current = QSqlTableModel::data(index, Qt::EditRole);
        if (current.isNull() == name.isNull() && (name.isNull() || current == name))
            return true;
        if (!QSqlTableModel::setData(index, name, role))
            return false;
        changed = true;
        return true;
    }

    // A name was changed since the category was last read or registered; the window clears it.
    bool changed = false;

    bool reload()
    {
        if (!select())
            return false;
        // Read to the end: an unfinished read on the work connection pins the attached data
        // file to an old snapshot and the next registration fails as "locked".
        while (canFetchMore())
            fetchMore();
        return true;
    }
};

// A plain line editor for the names. Enter commits and hands over to the window, which goes
// on to the next slot: a list of names is typed top to bottom.
class SlotDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    std::function<void()> enterCommitted;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *editor = new QLineEdit(parent);
        editor->setFrame(false);
        m_editor = editor;
        return editor;
    }

    void destroyEditor(QWidget *editor, const QModelIndex &index) const override
    {
        if (editor == m_editor)
            m_editor = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    bool isEditing() const { return m_editor; }

    // Commits and closes an editor still open: "登録" registers what the grid shows, also
    // when pressing it did not take the focus out of the cell.
    void finishEditing()
    {
        if (!m_editor)
            return;
        QWidget *editor = m_editor;
        m_editor = nullptr;
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && object == m_editor) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                finishEditing();
                if (enterCommitted)
                    enterCommitted();
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    mutable QPointer<QWidget> m_editor;
};

} // namespace codeswindow

using codeswindow::SlotDelegate;
using codeswindow::SlotModel;

CodeTableWindow::CodeTableWindow(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::CodeTableWindow>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("Frmコード"));
    setWindowFlag(Qt::Window);
    // The main window keeps this one instance and shows it again.
    setAttribute(Qt::WA_DeleteOnClose, false);

    settings::makePickOnly(ui->cmb区分);

    QTableView *grid = ui->Gridコードマスタ;
    m_delegate = new SlotDelegate(grid);
    m_delegate->enterCommitted = [this] { moveDown(); };
    grid->setItemDelegate(m_delegate);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                          | QAbstractItemView::AnyKeyPressed);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->installEventFilter(this);

    const QFontMetrics fm = fontMetrics();
    resize(fm.horizontalAdvance(QString(28, QChar(u'名'))), fm.height() * 44);

    connect(ui->cmb区分, &QComboBox::currentIndexChanged, this, &CodeTableWindow::kindChosen);
    connect(ui->cmd_ENT, &QPushButton::clicked, this, [this] {
        const QString key = ui->cmb区分->currentText();
        if (!key.isEmpty())
            Readコード表(key);
    });
    connect(ui->cmd登録, &QPushButton::clicked, this, [this] { Entryコード表(ui->cmb区分->currentText()); });
    connect(ui->cmd閉じる, &QPushButton::clicked, this, &QWidget::close);
    connect(qApp, &QApplication::focusChanged, this, &CodeTableWindow::focusChanged);
    updateButtons();
}

CodeTableWindow::~CodeTableWindow()
{
    // QWidget's destructor moves the focus away, when this is no longer a CodeTableWindow.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

void CodeTableWindow::showEvent(QShowEvent *event)
{
    // A spontaneous show is the window coming back from being minimised: keep the edits.
    if (!event->spontaneous()) {
        screenfit::fitIntoScreen(this);
        FormLoad();
    }
    QWidget::showEvent(event);
}

void CodeTableWindow::closeEvent(QCloseEvent *event)
{
    event->setAccepted(masters::mayClose(this, m_delegate->isEditing() || (m_model && m_model->changed)));
}

void CodeTableWindow::FormLoad()
{
    fillKinds();
    {
        const QSignalBlocker quiet(ui->cmb区分);
        ui->cmb区分->setCurrentIndex(0);
    }
    selectKind(QString::fromUtf16(codes::UnitKind));
}

void CodeTableWindow::fillKinds()
{
    const QSignalBlocker quiet(ui->cmb区分);
    ui->cmb区分->clear();
    const QString units = QString::fromUtf16(codes::UnitKind);
    ui->cmb区分->addItem(units);
    const QString packSizes = ModQLNV::入数列タイトル;
    if (!packSizes.isEmpty() && packSizes != units)
        ui->cmb区分->addItem(packSizes);
}

void CodeTableWindow::refreshKinds()
{
    const QString current = ui->cmb区分->currentText();
    fillKinds();
    const int kept = ui->cmb区分->findText(current);
    {
        const QSignalBlocker quiet(ui->cmb区分);
        ui->cmb区分->setCurrentIndex(qMax(kept, 0));
    }
    // The category on screen is no longer offered: show the units instead. A hidden window
    // reads when it is shown again.
    if (kept < 0 && isVisible())
        selectKind(ui->cmb区分->currentText());
    updateButtons();
}

void CodeTableWindow::kindChosen(int index)
{
    if (index >= 0)
        selectKind(ui->cmb区分->itemText(index));
}

// Reads key; when that fails the selector goes back to the category the grid still shows.
void CodeTableWindow::selectKind(const QString &key)
{
    if (!Readコード表(key) && !m_shownKind.isEmpty()) {
        const int shown = ui->cmb区分->findText(m_shownKind);
        if (shown >= 0) {
            const QSignalBlocker quiet(ui->cmb区分);
            ui->cmb区分->setCurrentIndex(shown);
        }
    }
    updateButtons();
}

bool CodeTableWindow::Readコード表(const QString &key)
{
    const QString failed = QStringLiteral("コード表を読み込めませんでした。");
    if (!ensureModel() || !codes::Readコード表(db::work(), key, &m_readAt)) {
        msg::showFailure(failed);
        updateButtons();
        return false;
    }
    if (!m_model->reload()) {
        // The work table is the new category but the grid could not show it: register nothing.
        m_shownKind.clear();
        msg::showFailure(failed);
        updateButtons();
        return false;
    }
    m_shownKind = key;
    m_model->changed = false;
    updateButtons();
    return true;
}

void CodeTableWindow::Entryコード表(const QString &key)
{
    if (key.isEmpty())
        return;
    m_delegate->finishEditing();
    const QString failed = key + QStringLiteral(" を登録できませんでした。");
    // The grid must hold this category's slots, or another category's names would go in.
    if (!m_model || key != m_shownKind) {
        msg::showFailure(failed);
        return;
    }
    QTableView *grid = ui->Gridコードマスタ;
    const QModelIndex current = grid->currentIndex();
    // The edits go to the edit copy first; a failure keeps them in the grid.
    const bool submitted = m_model->submitAll();
    while (m_model->canFetchMore())
        m_model->fetchMore();
    if (current.isValid())
        grid->setCurrentIndex(m_model->index(current.row(), current.column()));
    if (!submitted) {
        msg::showFailure(failed);
        return;
    }
    const auto duplicates = codes::duplicateNames(db::work());
    if (!duplicates) {
        msg::showFailure(failed);
        return;
    }
    if (!duplicates->isEmpty()) {
        msg::showFailure(QStringLiteral("次の名称が重複しています。登録できません。\n「")
                         + duplicates->join(QStringLiteral("」「")) + QStringLiteral("」"));
        return;
    }
    if (!msg::Msg表示(QStringLiteral("登録"), QStringLiteral("確認"), key))
        return;
    bool changed = false;
    if (!codes::Entryコード表(db::work(), key, &m_readAt, &changed)) {
        msg::showFailure(changed ? masters::changedElsewhereText(QStringLiteral("コード表")) : failed);
        return;
    }
    m_model->changed = false;
    msg::Msg表示(QStringLiteral("登録"), QStringLiteral("完了"), key);
    emit codesChanged(key);
}

void CodeTableWindow::updateButtons()
{
    ui->cmd登録->setEnabled(!m_shownKind.isEmpty() && m_shownKind == ui->cmb区分->currentText());
}

// The model is bound to the work connection of the current locations; after they change (or
// the connections were closed) it is made anew on the new connection.
bool CodeTableWindow::ensureModel()
{
    const QSqlDatabase work = db::work();
    if (!work.isOpen())
        return false;
    if (m_model && m_model->database().isOpen()
        && m_model->database().connectionName() == work.connectionName())
        return true;
    auto *model = new SlotModel(work, this);
    model->setObjectName(QStringLiteral("dat単位"));
    QTableView *grid = ui->Gridコードマスタ;
    grid->setModel(model);
    delete m_model;
    m_model = model;
    m_shownKind.clear();

    const QFontMetrics fm = grid->fontMetrics();
    grid->setColumnWidth(Col行番号, fm.horizontalAdvance(QStringLiteral("行番号")) + 16);
    grid->setColumnWidth(Colチェック, fm.height() + 12);
    grid->setColumnWidth(Colcode, fm.horizontalAdvance(QStringLiteral("code")) + 24);
    return true;
}

void CodeTableWindow::moveDown()
{
    QTableView *grid = ui->Gridコードマスタ;
    const QModelIndex current = grid->currentIndex();
    if (current.isValid() && current.row() + 1 < m_model->rowCount())
        grid->setCurrentIndex(m_model->index(current.row() + 1, current.column()));
}

bool CodeTableWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Enter on a slot that is not being edited goes down as well.
    if (watched == ui->Gridコードマスタ && event->type() == QEvent::KeyPress && m_model) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            moveDown();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool CodeTableWindow::inGrid(const QWidget *widget) const
{
    return widget && (widget == ui->Gridコードマスタ || ui->Gridコードマスタ->isAncestorOf(widget));
}

// The names are Japanese: input method on in the grid and its editor, off elsewhere.
void CodeTableWindow::focusChanged(QWidget *old, QWidget *now)
{
    if (inGrid(now)) {
        ModQLNV::SetIME(now, true);
    } else if (inGrid(old)) {
        ModQLNV::SetIME(old, false);
        if (old != ui->Gridコードマスタ)
            ModQLNV::SetIME(ui->Gridコードマスタ, false);
    }
}
