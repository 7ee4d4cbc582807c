#pragma once
// The message catalogue: every standard confirmation, completion notice and input warning
// of the program, chosen by a group word and a kind word.
//
// Boxes are shown through a presenter, so that tests can record what would have been
// shown and answer it as scripted. The real presenter is a QMessageBox.
#include <QMessageBox>
#include <QString>

#include <optional>

namespace msg {

// Everything that decides how a box looks and what Enter answers.
struct MessageBoxSpec {
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::Ok;

    bool operator==(const MessageBoxSpec &) const = default;
};

class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;
    // Shows the box modally and returns the button chosen; NoButton when it was closed
    // without one.
    virtual QMessageBox::StandardButton present(QWidget *parent, const MessageBoxSpec &box) = 0;
};

// The title of the general notices ("メッセージ", "ファイルなし") and of the one-off failure notices.
inline constexpr char16_t GeneralTitle[] = u"QLNV 請求書";

// Installs a presenter for every later box; nullptr restores the QMessageBox one.
// Returns the presenter that was installed before (never nullptr), so that a caller can put it back.
MessagePresenter *setMessagePresenter(MessagePresenter *presenter);
MessagePresenter &messagePresenter();

// Shows one box through the installed presenter, parented to the active window.
QMessageBox::StandardButton present(const MessageBoxSpec &box);

// A plain notice that something was not done, e.g. "請求書は保存されませんでした。":
// OK button, warning icon, the general title.
void showFailure(const QString &text);

// A one-off question whose safe answer is No (closing with unsaved input, replacing a file or
// the data): Yes and No, No on Enter, question icon, the general title. True only for Yes.
bool askDefaultNo(const QString &text);

// The catalogue entry for a group and kind with the caller's text filled in; nothing for a
// group or kind that is not in the catalogue.
std::optional<MessageBoxSpec> catalogueEntry(const QString &group, const QString &kind, const QString &text);

// Shows the catalogue message. True only when the box asks and the user answered Yes;
// No, the close box and every notice give false. An unknown group or kind shows nothing.
bool Msg表示(const QString &group, const QString &kind, const QString &text);

// The same, one routine per group.
bool Msg登録(const QString &kind, const QString &text);
bool Msg削除(const QString &kind, const QString &text);
bool Msg入力(const QString &kind, const QString &text);
bool Msg行指定(const QString &kind, const QString &text);
bool Msgその他(const QString &kind, const QString &text);

} // namespace msg
