#include "app/DateBox.h"

#include "app/Formats.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTextCharFormat>
#include <QToolButton>
#include <QVBoxLayout>

DateBox::DateBox(QWidget *parent)
    : QWidget(parent)
    , m_displayFormat(formats::datePattern(formats::DateFormat::WesternDate))
    , m_titleFormat(formats::datePattern(formats::DateFormat::WesternMonthTitle))
{
    m_edit = new QLineEdit(this);
    m_button = new QToolButton(this);
    m_button->setArrowType(Qt::DownArrow);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setToolTip(QStringLiteral("カレンダー"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    row->addWidget(m_edit, 1);
    row->addWidget(m_button);
    setFocusProxy(m_edit);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    // The drop-down: a title line with the month in the box's own form, then the month grid.
    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setFrameShape(QFrame::StyledPanel);
    auto *previous = new QToolButton(m_popup);
    previous->setArrowType(Qt::LeftArrow);
    previous->setAutoRaise(true);
    previous->setToolTip(QStringLiteral("前の月"));
    auto *next = new QToolButton(m_popup);
    next->setArrowType(Qt::RightArrow);
    next->setAutoRaise(true);
    next->setToolTip(QStringLiteral("次の月"));
    m_title = new QLabel(m_popup);
    m_title->setAlignment(Qt::AlignCenter);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_calendar = new QCalendarWidget(m_popup);
    m_calendar->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    m_calendar->setFirstDayOfWeek(Qt::Sunday);
    m_calendar->setNavigationBarVisible(false);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    QTextCharFormat sunday;
    sunday.setForeground(QColor(0xC0, 0x20, 0x20));
    m_calendar->setWeekdayTextFormat(Qt::Sunday, sunday);
    QTextCharFormat saturday;
    saturday.setForeground(QColor(0x20, 0x40, 0xC0));
    m_calendar->setWeekdayTextFormat(Qt::Saturday, saturday);

    auto *titleRow = new QHBoxLayout;
    titleRow->addWidget(previous);
    titleRow->addWidget(m_title, 1);
    titleRow->addWidget(next);
    auto *column = new QVBoxLayout(m_popup);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(2);
    column->addLayout(titleRow);
    column->addWidget(m_calendar);

    connect(previous, &QToolButton::clicked, m_calendar, &QCalendarWidget::showPreviousMonth);
    connect(next, &QToolButton::clicked, m_calendar, &QCalendarWidget::showNextMonth);
    connect(m_calendar, &QCalendarWidget::currentPageChanged, this, &DateBox::updateTitle);
    connect(m_calendar, &QCalendarWidget::clicked, this, &DateBox::pickDate);
    connect(m_calendar, &QCalendarWidget::activated, this, &DateBox::pickDate);
    connect(m_button, &QToolButton::clicked, this, &DateBox::showCalendar);
    connect(m_edit, &QLineEdit::editingFinished, this, [this] {
        commitText();
        emit editingFinished();
    });
    m_edit->installEventFilter(this);
    m_popup->installEventFilter(this);
    updateTitle();
}

DateBox::~DateBox()
{
    // The line edit outlives this part of the box by a moment: losing the focus then must
    // not reach the box any more.
    m_edit->removeEventFilter(this);
    m_popup->removeEventFilter(this);
    disconnect(m_edit, nullptr, this, nullptr);
}

void DateBox::setDisplayFormat(const QString &pattern)
{
    m_displayFormat = pattern;
    showText();
}

void DateBox::setCalendarTitleFormat(const QString &pattern)
{
    m_titleFormat = pattern;
    updateTitle();
}

void DateBox::setDate(const QDate &date)
{
    const QDate shown = date.isValid() || m_nullable ? date : m_date;
    const bool changed = shown != m_date;
    m_date = shown;
    showText();
    if (m_date.isValid())
        m_calendar->setSelectedDate(m_date);
    if (changed)
        emit dateChanged(m_date);
}

QString DateBox::text() const
{
    return m_edit->text();
}

void DateBox::showText()
{
    m_edit->setText(formats::formatDate(m_date, m_displayFormat));
}

void DateBox::commitText()
{
    const QString typed = m_edit->text().trimmed();
    if (typed.isEmpty() && m_nullable) {
        setDate(QDate());
        return;
    }
    const auto parsed = formats::parseDate(typed);
    if (parsed)
        setDate(*parsed);
    showText(); // the box's own form, or the last good date back
}

void DateBox::updateTitle()
{
    const QDate month(m_calendar->yearShown(), m_calendar->monthShown(), 1);
    m_title->setText(formats::formatDate(month, m_titleFormat));
}

QString DateBox::calendarTitle() const
{
    return m_title->text();
}

void DateBox::showCalendar()
{
    commitText();
    const QDate shown = m_date.isValid() ? m_date : QDate::currentDate();
    m_calendar->setSelectedDate(shown);
    m_calendar->setCurrentPage(shown.year(), shown.month());
    updateTitle();
    m_popup->adjustSize();
    // Below the box, kept on the screen.
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen *s = screen()) {
        const QRect area = s->availableGeometry();
        if (at.y() + m_popup->height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - m_popup->height());
        at.setX(qBound(area.left(), at.x(), qMax(area.left(), area.right() - m_popup->width())));
    }
    m_popup->move(at);
    m_popup->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void DateBox::hideCalendar()
{
    m_popup->hide();
}

bool DateBox::isCalendarVisible() const
{
    return m_popup->isVisible();
}

void DateBox::pickDate(const QDate &date)
{
    hideCalendar();
    setDate(date);
    m_edit->setFocus(Qt::PopupFocusReason);
    emit editingFinished();
}

bool DateBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (watched == m_edit
            && (key->key() == Qt::Key_F4 || (key->key() == Qt::Key_Down && key->modifiers() & Qt::AltModifier))) {
            showCalendar();
            return true;
        }
        if (watched == m_popup && key->key() == Qt::Key_Escape) {
            hideCalendar();
            m_edit->setFocus(Qt::PopupFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DateBox::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        hideCalendar();
    QWidget::changeEvent(event);
}
