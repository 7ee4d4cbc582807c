#include "postal/FmYubinC.h"

#include "postal/ModYubinC.h"
#include "postal/SqlConnection.h"
#include "postal/YubinSearch.h"
#include "postal/YubinText.h"
#include "ui_FmYubinC.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLocale>
#include <QPointer>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>

#include <algorithm>
#include <exception>

namespace yubinwindow {

// A work table as a list or a grid shows it: in the order the search wrote it, read only.
class WorkTableModel : public QSqlTableModel
{
public:
    WorkTableModel(const QString &table, const QSqlDatabase &db, QObject *parent)
        : QSqlTableModel(parent, db)
    {
        setTable(table);
        setEditStrategy(QSqlTableModel::OnManualSubmit);
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
    }

    // The table as it now stands. The read left unfinished by a grid that fetched only its
    // first rows is ended first: a new statement would otherwise join its read and see the
    // table as it was then.
    bool reload()
    {
        QSqlQuery old = query();
        old.finish();
        return select();
    }

protected:
    QString orderByClause() const override { return QStringLiteral("ORDER BY rowid"); }
};

// w郵便番号 as the grid shows it: the code as 123-4567. What the window reads from it (the
// code box, the result handed back) is the stored code.
class ResultsModel : public WorkTableModel
{
public:
    using WorkTableModel::WorkTableModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        const QVariant value = WorkTableModel::data(index, role);
        if (role == Qt::DisplayRole && index.column() == FmYubinC::Col番号)
            return yubin::showPostalCode(value.toString());
        return value;
    }
};

} // namespace yubinwindow

using yubinwindow::ResultsModel;
using yubinwindow::WorkTableModel;

namespace {

// The lists are chosen from, never typed into: a typed character would otherwise jump to an
// entry, and for the popup's list choose it with the next Enter. Space still opens the list.
bool swallowsTyping(const QKeyEvent *key)
{
    const QString text = key->text();
    return !text.isEmpty() && text != QStringLiteral(" ") && text.at(0).isPrint()
           && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

QPointer<FmYubinC> &theWindow()
{
    static QPointer<FmYubinC> window;
    return window;
}

} // namespace

FmYubinC::FmYubinC(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FmYubinC>())
    , m_search(std::make_unique<yubin::YubinSearch>(yubin::moduleState().paths))
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("FmYubinC"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // The notice keeps its place while hidden, so that nothing below it jumps when it shows.
    QSizePolicy notice = ui->Msg検索->sizePolicy();
    notice.setRetainSizeWhenHidden(true);
    ui->Msg検索->setSizePolicy(notice);
    QFont noticeFont = ui->Msg検索->font();
    noticeFont.setBold(true);
    ui->Msg検索->setFont(noticeFont);
    ui->Msg検索->hide();
    QFont small = ui->lbl辞書データ->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    ui->lbl辞書データ->setFont(small);
    ui->lbl辞書データ->setForegroundRole(QPalette::PlaceholderText);

    for (QComboBox *list : {ui->cmb都道府県, ui->cmb市町村, ui->cmb町名}) {
        list->setEditable(false);
        list->setAttribute(Qt::WA_InputMethodEnabled, false);
        list->view()->installEventFilter(this);
        list->view()->setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    for (QWidget *field : std::initializer_list<QWidget *>{
             ui->TXT郵便番号, ui->cmb都道府県, ui->cmb市町村, ui->cmb町名, ui->TXT番地, ui->TXT市町村かな, ui->TXT町名かな,
             ui->Grid, ui->CMD_検索, ui->cmdクリア, ui->cmd_Enter, ui->CMD_ESC})
        field->installEventFilter(this);

    const QFontMetrics fm = fontMetrics();
    ui->TXT郵便番号->setFixedWidth(fm.horizontalAdvance(QStringLiteral("0000000000")) + 12);
    ui->TXT番地->setMinimumWidth(fm.horizontalAdvance(QString(20, QChar(u'番'))));
    ui->TXT市町村かな->setMinimumWidth(fm.horizontalAdvance(QString(12, QChar(u'か'))));

    // Each key of the legend stands over the left edge of its button.
    const QString legend = ui->Label8->text();
    const QStringList keys = legend.split(u' ', Qt::SkipEmptyParts);
    QList<int> starts;
    for (qsizetype from = 0; starts.size() < keys.size();) {
        from = legend.indexOf(keys.at(starts.size()), from);
        starts << fm.horizontalAdvance(legend.left(from));
        from += keys.at(starts.size() - 1).size();
    }
    const QList<QPushButton *> buttons{ui->CMD_検索, ui->cmdクリア, ui->cmd_Enter, ui->CMD_ESC};
    const int spacing = 6;
    ui->layoutButtons->setHorizontalSpacing(spacing);
    int width = 0;
    for (QPushButton *b : buttons)
        width = std::max(width, b->sizeHint().width());
    for (int i = 0; i + 1 < starts.size(); ++i)
        width = std::max(width, starts.at(i + 1) - starts.at(i) - spacing);
    for (QPushButton *b : buttons)
        b->setFixedWidth(width);
    ui->Label8->setIndent(0);
    ui->Label8->setMargin(0);

    QTableView *grid = ui->Grid;
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(fm.height() + 6);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->horizontalHeader()->setHighlightSections(false);

    connect(ui->cmb都道府県, &QComboBox::activated, this, [this] { prefectureChosen(); });
    connect(ui->cmb市町村, &QComboBox::activated, this, [this] { cityChosen(); });
    connect(ui->cmb町名, &QComboBox::activated, this, [this] { townChosen(); });
    connect(ui->CMD_検索, &QPushButton::clicked, this, [this] { kanaSearch(); });
    connect(ui->cmdクリア, &QPushButton::clicked, this, [this] { Clear郵便検索(); });
    connect(ui->cmd_Enter, &QPushButton::clicked, this, [this] { choose(); });
    connect(ui->CMD_ESC, &QPushButton::clicked, this, &FmYubinC::reject);
    connect(grid, &QTableView::clicked, this, [this] { gridClicked(); });

    resize(fm.horizontalAdvance(QString(60, QChar(u'町'))), fm.height() * 42);
}

FmYubinC::~FmYubinC()
{
    // The models hold the read connection: they go first, and the views are told.
    delete m_results;
    delete m_cities;
}

bool FmYubinC::FormLoad(QString *error)
{
    const auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (m_results)
        return fail(QStringLiteral("郵便番号検索はすでに開いています"));

    bool ok = false;
    const QString date = m_search->dataDate(&ok);
    if (!ok)
        return fail(QStringLiteral("郵便番号辞書を開けません（%1）").arg(m_search->lastError()));
    ui->lbl辞書データ->setText(date.isEmpty() ? QString() : QStringLiteral("辞書データ %1").arg(date));

    // A connection of the window's own for reading: the searches write on theirs meanwhile.
    m_read = std::make_unique<yubin::SqlConnection>(yubin::moduleState().paths.work, false, m_readError);
    if (!m_read->isOpen())
        return fail(QStringLiteral("作業ファイルを開けません（%1）").arg(m_readError));
    m_results = new ResultsModel(QStringLiteral("w郵便番号"), m_read->db(), this);
    m_cities = new WorkTableModel(QStringLiteral("郵便番号_市町村漢字"), m_read->db(), this);
    m_results->setObjectName(QStringLiteral("wkDAT"));
    m_cities->setObjectName(QStringLiteral("wkDAT2"));
    if (!m_results->reload() || !m_cities->reload())
        return fail(QStringLiteral("作業ファイルの郵便番号の表を読めません（%1）")
                        .arg(m_results->lastError().isValid() ? m_results->lastError().text() : m_cities->lastError().text()));

    const char *headings[] = {"郵便番号", "県かな", "市町村かな", "町名かな", "都道府県", "区市町村名", "町  名"};
    for (int column = 0; column <= Col町名漢字; ++column)
        m_results->setHeaderData(column, Qt::Horizontal, QString::fromUtf8(headings[column]));
    ui->Grid->setModel(m_results);
    for (int column = Col町名漢字 + 1; column < m_results->columnCount(); ++column)
        ui->Grid->hideColumn(column);
    const QFontMetrics fm = fontMetrics();
    // Each column as wide as a long entry of its own (the town takes the rest): readings are
    // half-width kana.
    const QString samples[] = {QStringLiteral("000-0000"), QString(8, u'ｱ'), QString(13, u'ｱ'), QString(14, u'ｱ'),
                               QString(4, u'県'), QString(8, u'市')};
    for (int column = 0; column < Col町名漢字; ++column)
        ui->Grid->setColumnWidth(column, fm.horizontalAdvance(samples[column]) + 16);
    connect(ui->Grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { gridRowChanged(current); });
    ui->cmb市町村->setModel(m_cities);
    ui->cmb町名->setModel(m_results);
    ui->cmb町名->setModelColumn(Col町名漢字);

    if (!Clear郵便検索())
        return fail(QStringLiteral("作業ファイルに書けません（%1）").arg(m_search->lastError()));

    const QStringList prefectures = m_search->read都道府県(&ok);
    if (!ok)
        return fail(QStringLiteral("都道府県の一覧を読めません（%1）").arg(m_search->lastError()));
    ui->cmb都道府県->addItems(prefectures);
    ui->cmb都道府県->setCurrentIndex(-1);

    const yubin::LocalArea area = m_search->ChkLocalEria(&ok);
    if (!ok)
        return fail(QStringLiteral("自社情報を読めません（%1）").arg(m_search->lastError()));
    if (!area.prefecture.isEmpty()) {
        setPrefectureText(area.prefecture, area.city);
        if (searching([&] { return m_search->read町名(area.prefecture, area.city); }))
            ui->TXT郵便番号->setText(cell(0, Col番号));
    }
    ui->cmb都道府県->setFocus();
    return true;
}

bool FmYubinC::formShow(QString *error)
{
    yubin::ModuleState &state = yubin::moduleState();
    state.resultCode.clear();
    state.resultAddress.clear();
    if (theWindow()) {
        if (error)
            *error = QStringLiteral("郵便番号検索はすでに開いています");
        return false;
    }
    // Called from the caller's event loop through a C interface: nothing may escape.
    try {
        auto *window = new FmYubinC(QApplication::activeWindow());
        theWindow() = window;
        QString why;
        if (!window->FormLoad(&why)) {
            delete window;
            if (error)
                *error = why;
            return false;
        }
        window->exec();
        delete theWindow().data();
        return true;
    } catch (const std::exception &e) {
        delete theWindow().data();
        if (error)
            *error = QStringLiteral("郵便番号検索を開けません（%1）").arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        delete theWindow().data();
        if (error)
            *error = QStringLiteral("郵便番号検索を開けません");
    }
    state.resultCode.clear();
    state.resultAddress.clear();
    return false;
}

bool FmYubinC::Clear郵便検索()
{
    if (!m_results)
        return false;
    yubin::moduleState().suppressPrefectureChange = false;
    // The city list is emptied with the results, in one write.
    const bool done = m_search->ClearLists();
    showResults();
    showCities();
    ui->lbl件数->clear();
    ui->cmb都道府県->setCurrentIndex(-1);
    for (QLineEdit *text : {ui->TXT市町村かな, ui->TXT町名かな, ui->TXT番地, ui->TXT郵便番号})
        text->clear();
    ui->cmb都道府県->setFocus();
    return done;
}

template <typename F>
bool FmYubinC::searching(F run, const QString &town)
{
    ui->Msg検索->show();
    ui->Msg検索->repaint();
    // A failed search has written nothing (lastError says why); the screen shows the work
    // tables as they stand either way, and the window stays usable without a box.
    const bool done = run();
    ui->Msg検索->hide();
    showResults(town);
    ui->lbl件数->setText(QStringLiteral("%1件").arg(QLocale(QLocale::Japanese).toString(m_search->resultCount())));
    return done;
}

void FmYubinC::showResults(const QString &town)
{
    m_results->reload();
    // The first row is current, as after any new result, without counting as the user's move.
    m_quietGrid = true;
    if (m_results->rowCount() > 0)
        ui->Grid->setCurrentIndex(m_results->index(0, Col番号));
    m_quietGrid = false;
    ui->cmb町名->setCurrentIndex(town.isEmpty() ? -1 : ui->cmb町名->findText(town));
}

void FmYubinC::showCities()
{
    // A few hundred names at most: read to the end, the list is offered whole.
    m_cities->reload();
    while (m_cities->canFetchMore())
        m_cities->fetchMore();
    ui->cmb市町村->setCurrentIndex(-1);
}

void FmYubinC::prefectureChosen()
{
    // The user's choice always reads the cities again. The flag of a kana search or a click in
    // the grid is for the change the window makes itself (setPrefectureText), which never
    // reloads: a choice of the user let by would leave the cities of another prefecture.
    yubin::moduleState().suppressPrefectureChange = false;
    const QString prefecture = ui->cmb都道府県->currentText();
    searching([&] { return m_search->read市町村(prefecture); });
    showCities();
    // No town was sought: an empty grid, not a search that found nothing.
    ui->lbl件数->clear();
}

void FmYubinC::cityChosen()
{
    const QString prefecture = ui->cmb都道府県->currentText();
    const QString city = ui->cmb市町村->currentText();
    if (searching([&] { return m_search->read町名(prefecture, city); }))
        ui->TXT郵便番号->setText(cell(0, Col番号));
}

void FmYubinC::townChosen()
{
    const QString prefecture = ui->cmb都道府県->currentText();
    const QString city = ui->cmb市町村->currentText();
    const QString town = ui->cmb町名->currentText();
    if (searching([&] { return m_search->ReadGrid町名(prefecture, city, town); }, town))
        ui->TXT郵便番号->setText(cell(0, Col番号));
}

void FmYubinC::codeEntered()
{
    const QString typed = ui->TXT郵便番号->text();
    if (typed.isEmpty()) {
        ui->cmb都道府県->setFocus();
        return;
    }
    QString prefecture;
    if (searching([&] { return m_search->Seek郵便番号(typed, &prefecture); }) && !prefecture.isEmpty())
        setPrefectureText(prefecture, cell(0, Col市町村漢字));
}

void FmYubinC::kanaSearch()
{
    const bool byCity = !ui->TXT市町村かな->text().trimmed().isEmpty();
    const bool byTown = !ui->TXT町名かな->text().trimmed().isEmpty();
    if (byCity == byTown)
        return;
    yubin::moduleState().suppressPrefectureChange = true;
    const int mode = byCity ? yubin::ByCityKana : yubin::ByTownKana;
    const QString typed = byCity ? ui->TXT市町村かな->text() : ui->TXT町名かな->text();
    if (!searching([&] { return m_search->Seek市町村かな(mode, typed); }))
        return;
    // The grid takes the focus on its first row; the code box follows that row, so that
    // "選択" right away gives the code and the address of one and the same town.
    ui->Grid->setFocus();
    gridRowChanged(ui->Grid->currentIndex());
}

void FmYubinC::gridClicked()
{
    yubin::moduleState().suppressPrefectureChange = true;
    const int row = currentRow();
    if (row >= 0)
        ui->TXT郵便番号->setText(cell(row, Col番号));
}

void FmYubinC::gridRowChanged(const QModelIndex &current)
{
    if (m_quietGrid || !current.isValid())
        return;
    const QString prefecture = cell(current.row(), Col県漢字);
    if (prefecture.isEmpty())
        return;
    setPrefectureText(prefecture, cell(current.row(), Col市町村漢字));
    ui->TXT郵便番号->setText(cell(current.row(), Col番号));
}

void FmYubinC::choose()
{
    yubin::ModuleState &state = yubin::moduleState();
    const int row = currentRow();
    // A code typed as "〒１００－０００１" is handed back as the seven digits it stands for.
    const QString typed = ui->TXT郵便番号->text();
    const QString code = yubin::normalizePostalCode(typed);
    const bool digits = std::all_of(code.begin(), code.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    state.resultCode = code.size() == 7 && digits ? code : typed;
    state.resultAddress = (row >= 0 ? cell(row, Col県漢字) + cell(row, Col市町村漢字) + cell(row, Col町名漢字) : QString())
                          + ui->TXT番地->text();
    accept();
}

void FmYubinC::reject()
{
    yubin::ModuleState &state = yubin::moduleState();
    state.resultCode.clear();
    state.resultAddress.clear();
    QDialog::reject();
}

void FmYubinC::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        // The screen QDialog places the window on: its parent's, or the one under the mouse.
        QWidget *parent = parentWidget() ? parentWidget()->window() : nullptr;
        QScreen *screen = parent ? parent->screen() : QGuiApplication::screenAt(QCursor::pos());
        if (!screen)
            screen = this->screen();
        // The frame is not known before the window is shown: room is kept for a title bar and
        // borders, as QDialog assumes when it places a window.
        resize(size().boundedTo(screen->availableGeometry().size() - QSize(2 * 10, 40 + 10)));
    }
    QDialog::setVisible(visible);
}

void FmYubinC::setPrefectureText(const QString &prefecture, const QString &city)
{
    yubin::moduleState().suppressPrefectureChange = false;
    if (ui->cmb都道府県->currentText() != prefecture) {
        ui->cmb都道府県->setCurrentIndex(ui->cmb都道府県->findText(prefecture));
        // The city list follows, the results stay.
        m_search->readCitiesOnly(prefecture);
        showCities();
    }
    ui->cmb市町村->setCurrentIndex(ui->cmb市町村->findText(city));
}

QString FmYubinC::cell(int row, int column) const
{
    if (!m_results || row < 0 || row >= m_results->rowCount())
        return QString();
    return m_results->data(m_results->index(row, column), Qt::EditRole).toString();
}

int FmYubinC::currentRow() const
{
    const QModelIndex current = ui->Grid->currentIndex();
    return current.isValid() ? current.row() : -1;
}

bool FmYubinC::windowKey(int key)
{
    switch (key) {
    case Qt::Key_Escape:
        reject();
        return true;
    case Qt::Key_F5:
        kanaSearch();
        return true;
    case Qt::Key_F9:
        Clear郵便検索();
        return true;
    case Qt::Key_F10:
        choose();
        return true;
    default:
        return false;
    }
}

bool FmYubinC::fieldKey(QObject *watched, QKeyEvent *key)
{
    // Enter and Down go on to the next field, Up back.
    struct Move { QObject *field; QWidget *forward; QWidget *back; };
    const Move moves[] = {
        {ui->cmb都道府県, ui->cmb市町村, ui->TXT郵便番号},
        {ui->cmb市町村, ui->cmb町名, ui->cmb都道府県},
        {ui->cmb町名, ui->TXT番地, ui->cmb市町村},
        {ui->TXT町名かな, ui->TXT郵便番号, nullptr},
    };
    const int k = key->key();
    const bool plain = !(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier));
    for (const Move &m : moves) {
        if (m.field != watched || !plain)
            continue;
        QWidget *to = isEnter(k) || k == Qt::Key_Down ? m.forward : k == Qt::Key_Up ? m.back : nullptr;
        if (to) {
            to->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    if (watched == ui->TXT郵便番号 && isEnter(k)) {
        codeEntered();
        return true;
    }
    if (isEnter(k)) {
        if (auto *button = qobject_cast<QPushButton *>(watched)) {
            button->click();
            return true;
        }
    }
    const bool list = watched == ui->cmb都道府県 || watched == ui->cmb市町村 || watched == ui->cmb町名;
    return list && swallowsTyping(key);
}

bool FmYubinC::gridKey(QKeyEvent *key)
{
    if (key->text().isEmpty() || !key->text().at(0).isPrint() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    // Readings are read to the end: the town sought may lie past what the grid has fetched.
    while (m_results->canFetchMore())
        m_results->fetchMore();
    QStringList readings;
    readings.reserve(m_results->rowCount());
    for (int row = 0; row < m_results->rowCount(); ++row)
        readings << cell(row, Col町名かな);
    const int row = yubin::ChgGridLinePress(readings, key->text().at(0).unicode());
    if (row >= 0)
        ui->Grid->setCurrentIndex(m_results->index(row, std::max(ui->Grid->currentIndex().column(), 0)));
    return true;
}

bool FmYubinC::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool popup = watched == ui->cmb都道府県->view() || watched == ui->cmb市町村->view()
                           || watched == ui->cmb町名->view();
        if (popup)
            return swallowsTyping(key);
        if (windowKey(key->key()))
            return true;
        if (watched == ui->Grid)
            return gridKey(key);
        return fieldKey(watched, key);
    }
    return QDialog::eventFilter(watched, event);
}

void FmYubinC::keyPressEvent(QKeyEvent *event)
{
    if (!windowKey(event->key()))
        QDialog::keyPressEvent(event);
}
