#include "app/Msg.h"

#include <QApplication>

namespace msg {

namespace {

enum class Style { AskYes, AskNo, Info, Warn, Notice };

// One row of the catalogue. The shown text is before + the caller's text + after, or only
// before when the kind ignores the caller's text.
struct Entry {
    const char16_t *group;
    const char16_t *kind;
    const char16_t *title; // nullptr: the general title
    const char16_t *before;
    const char16_t *after;
    bool usesText;
    Style style;
};

constexpr Entry kCatalogue[] = {
    {u"登録", u"確認", u"登録の確認", u"", u" を登録します。よろしいですか", true, Style::AskYes},
    {u"登録", u"完了", u"登録完了", u"", u" を登録しました。", true, Style::Info},
    {u"登録", u"チェック", u"入力項目のチェック", u"入力必須項目が空白です。", u"", false, Style::Info},
    {u"削除", u"指定確認", u"削除の確認", u"指定された ", u" を削除します。よろしいですか", true, Style::AskNo},
    {u"削除", u"伝票確認", u"削除の確認", u"伝票 ", u" を削除します。よろしいですか", true, Style::AskNo},
    {u"入力", u"必須入力なし", u"入力注意", u"", u"指定されていません。確認してください", true, Style::Warn},
    {u"入力", u"数字のみ", u"入力注意", u"", u"には数字以外使用できません", true, Style::Warn},
    {u"行指定", u"無効行", u"入力注意", u"無効な行が指定されています。行指定をやり直してください。", u"", false, Style::Warn},
    {u"行指定", u"指定なし", u"入力注意", u"行が指定されていません。行指定してください。", u"", false, Style::Warn},
    {u"行指定", u"重複", u"入力注意", u"指定行は１回に１行です。行指定をやり直してください。", u"", false, Style::Warn},
    {u"行指定", u"余白なし", u"行挿入注意", u"行挿入する余白はありません。", u"", false, Style::Warn},
    {u"その他", u"メッセージ", nullptr, u"", u"", true, Style::Info},
    {u"その他", u"ファイルなし", nullptr, u"", u"がありません。確認してください。", true, Style::Info},
    {u"その他", u"確認", u"確認", u"", u"、よろしいですか", true, Style::AskYes},
    {u"その他", u"注意", u"注意", u"", u"", true, Style::Notice},
};

MessageBoxSpec specFor(const Entry &e, const QString &text)
{
    MessageBoxSpec box;
    box.title = QString::fromUtf16(e.title ? e.title : GeneralTitle);
    box.text = QString::fromUtf16(e.before);
    if (e.usesText)
        box.text += text + QString::fromUtf16(e.after);
    switch (e.style) {
    case Style::AskYes:
    case Style::AskNo:
        box.buttons = QMessageBox::Yes | QMessageBox::No;
        box.icon = QMessageBox::Question;
        box.defaultButton = e.style == Style::AskYes ? QMessageBox::Yes : QMessageBox::No;
        break;
    case Style::Info:
        box.icon = QMessageBox::Information;
        break;
    case Style::Warn:
    case Style::Notice:
        box.icon = QMessageBox::Warning;
        break;
    }
    return box;
}

class QMessageBoxPresenter final : public MessagePresenter
{
public:
    QMessageBox::StandardButton present(QWidget *parent, const MessageBoxSpec &box) override
    {
        QMessageBox dialog(box.icon, box.title, box.text, box.buttons, parent);
        dialog.setDefaultButton(box.defaultButton);
        const int result = dialog.exec();
        // exec() gives the standard button's value; anything else means the box went away
        // without an answer.
        if (result <= 0 || (box.buttons.toInt() & result) != result)
            return QMessageBox::NoButton;
        return static_cast<QMessageBox::StandardButton>(result);
    }
};

QMessageBoxPresenter s_realPresenter;
MessagePresenter *s_presenter = &s_realPresenter;

// Shows the entry of the group and kind; only a Yes to a question counts as consent.
bool showFromGroup(const char16_t *group, const QString &kind, const QString &text)
{
    const auto box = catalogueEntry(QString::fromUtf16(group), kind, text);
    if (!box)
        return false;
    const auto answer = present(*box);
    return box->buttons.testFlag(QMessageBox::Yes) && answer == QMessageBox::Yes;
}

} // namespace

MessagePresenter *setMessagePresenter(MessagePresenter *presenter)
{
    MessagePresenter *previous = s_presenter;
    s_presenter = presenter ? presenter : &s_realPresenter;
    return previous;
}

MessagePresenter &messagePresenter()
{
    return *s_presenter;
}

QMessageBox::StandardButton present(const MessageBoxSpec &box)
{
    return s_presenter->present(QApplication::activeWindow(), box);
}

void showFailure(const QString &text)
{
    MessageBoxSpec box;
    box.title = QString::fromUtf16(GeneralTitle);
    box.text = text;
    box.buttons = QMessageBox::Ok;
    box.icon = QMessageBox::Warning;
    box.defaultButton = QMessageBox::Ok;
    present(box);
}

bool askDefaultNo(const QString &text)
{
    MessageBoxSpec box;
    box.title = QString::fromUtf16(GeneralTitle);
    box.text = text;
    box.buttons = QMessageBox::Yes | QMessageBox::No;
    box.icon = QMessageBox::Question;
    box.defaultButton = QMessageBox::No;
    return present(box) == QMessageBox::Yes;
}

std::optional<MessageBoxSpec> catalogueEntry(const QString &group, const QString &kind, const QString &text)
{
    for (const Entry &e : kCatalogue) {
        if (group == QStringView(e.group) && kind == QStringView(e.kind))
            return specFor(e, text);
    }
    return std::nullopt;
}

bool Msg表示(const QString &group, const QString &kind, const QString &text)
{
    if (group == u"登録")
        return Msg登録(kind, text);
    if (group == u"削除")
        return Msg削除(kind, text);
    if (group == u"入力")
        return Msg入力(kind, text);
    if (group == u"行指定")
        return Msg行指定(kind, text);
    if (group == u"その他")
        return Msgその他(kind, text);
    return false;
}

bool Msg登録(const QString &kind, const QString &text) { return showFromGroup(u"登録", kind, text); }
bool Msg削除(const QString &kind, const QString &text) { return showFromGroup(u"削除", kind, text); }
bool Msg入力(const QString &kind, const QString &text) { return showFromGroup(u"入力", kind, text); }
bool Msg行指定(const QString &kind, const QString &text) { return showFromGroup(u"行指定", kind, text); }
bool Msgその他(const QString &kind, const QString &text) { return showFromGroup(u"その他", kind, text); }

} // namespace msg
