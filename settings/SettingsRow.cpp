#include "settings/SettingsRow.h"

#include "app/Database.h"
#include "app/Formats.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <cmath>

namespace settings {

const QStringList &年号Choices()
{
    static const QStringList list{QStringLiteral("和暦"), QStringLiteral("西暦")};
    return list;
}

const QStringList &端数Choices()
{
    static const QStringList list{QStringLiteral("四捨五入"), QStringLiteral("切り捨て"),
                                  QStringLiteral("切り上げ")};
    return list;
}

const QStringList &税区分Choices()
{
    static const QStringList list{QStringLiteral("外税"), QStringLiteral("内税"), QStringLiteral("非課税")};
    return list;
}

const QStringList &印刷用紙Choices()
{
    static const QStringList list{QStringLiteral("A4白紙"), QStringLiteral("B5白紙")};
    return list;
}

const QStringList &入数列タイトルChoices()
{
    static const QStringList list{QStringLiteral("入数"), QStringLiteral("規格")};
    return list;
}

const QStringList &小数Choices()
{
    static const QStringList list{QStringLiteral("使用しない"), QStringLiteral("使用する")};
    return list;
}

const QStringList &消費税率Choices()
{
    static const QStringList list{QStringLiteral("5%"), QStringLiteral("8%"), QStringLiteral("10%")};
    return list;
}

const QStringList &支払期限Choices()
{
    static const QStringList list{QStringLiteral("なし"), QStringLiteral("翌月末"), QStringLiteral("日数指定")};
    return list;
}

QString default支払期限() { return 支払期限Choices().first(); }

QDate dueDateFor(const QString &rule, int days, const QDate &invoiceDate)
{
    if (!invoiceDate.isValid())
        return {};
    if (rule == 支払期限Choices().at(1)) {
        const QDate nextMonth = invoiceDate.addMonths(1);
        return QDate(nextMonth.year(), nextMonth.month(), nextMonth.daysInMonth());
    }
    if (rule == 支払期限Choices().at(2) && days >= 1 && days <= MaxDueDays)
        return invoiceDate.addDays(days);
    return {};
}

std::optional<int> taxPercentFromText(const QString &text)
{
    const int i = 消費税率Choices().indexOf(text);
    if (i < 0)
        return std::nullopt;
    return QStringView(text).chopped(1).toInt();
}

std::optional<int> taxPercentFromRate(double rate)
{
    for (const int percent : {5, 8, 10})
        if (std::abs(rate * 100 - percent) < 1e-6)
            return percent;
    return std::nullopt;
}

std::optional<QString> registrationNumber(const QString &text)
{
    // "Ｔ１２３４…" as typed with the input method on, and the grouping some print it with.
    QString plain = text.normalized(QString::NormalizationForm_KC).trimmed();
    plain.remove(QRegularExpression(QStringLiteral("[\\s\\-‐−－]")));
    if (plain.isEmpty())
        return QString();
    if (plain.front() == u't')
        plain.front() = u'T';
    static const QRegularExpression form(QStringLiteral("^T[0-9]{13}$"));
    if (!form.match(plain).hasMatch())
        return std::nullopt;
    return plain;
}

std::optional<QString> electronicAddress(const QString &text)
{
    QString plain = text.normalized(QString::NormalizationForm_KC);
    plain.remove(QRegularExpression(QStringLiteral("\\s")));
    if (plain.isEmpty())
        return QString();
    static const QRegularExpression form(QStringLiteral("^([0-9]{4}):([0-9A-Za-z][0-9A-Za-z._\\-]{0,49})$"));
    const QRegularExpressionMatch m = form.match(plain);
    if (!m.hasMatch())
        return std::nullopt;
    static const QRegularExpression corporateNumber(QStringLiteral("^[0-9]{13}$"));
    if (m.captured(1) == u"0188" && !corporateNumber.match(m.captured(2)).hasMatch())
        return std::nullopt;
    return plain;
}

QString defaultElectronicAddress(const QString &登録番号)
{
    const std::optional<QString> number = registrationNumber(登録番号);
    return number && !number->isEmpty() ? QStringLiteral("0188:") + number->mid(1) : QString();
}

QString electronicAddressForm(const QString &field)
{
    return QStringLiteral("%1は「0188:」に続けて法人番号13桁のように、4桁のスキーム番号・コロン・ID で入力してください"
                          "（例: 0188:1234567890123）。").arg(field);
}

QString registrationNumberForm()
{
    return QStringLiteral("登録番号は「T」に続けて13桁の数字で入力してください（例: T1234567890123）。");
}

QString qualifiedAtFivePercentQuestion()
{
    return QStringLiteral("登録番号を記載する適格請求書の消費税率は 10%（軽減税率 8%）です。"
                          "消費税率 5% のまま登録しますか？");
}

const QStringList &商品表示順Choices()
{
    static const QStringList list{QStringLiteral("品名順"), QStringLiteral("ふりがな順")};
    return list;
}

const QStringList &顧客リンクアプリChoices()
{
    static const QStringList list{QStringLiteral("Orb顧客管理"), QStringLiteral("OrbⅡ顧客管理"),
                                  QStringLiteral("Ormel顧客管理")};
    return list;
}

const QStringList &商品リンクアプリChoices()
{
    static const QStringList list{QStringLiteral("QLNV請求書")};
    return list;
}

QString linkFileFilter(const QString &application)
{
    // The old programs' own file names first; any file too, for a copy renamed on its way here
    // or kept as SQLite.
    const QString anyFile = QStringLiteral("すべてのファイル|*|");
    if (application == QStringLiteral("Orb顧客管理"))
        return QStringLiteral("MDB ファイル(*.mdb)|orbdata.mdb|") + anyFile;
    if (application == QStringLiteral("OrbⅡ顧客管理"))
        return QStringLiteral("MDB ファイル(*.mdb)|orb2data.mdb|") + anyFile;
    if (application == QStringLiteral("QLNV請求書"))
        return QStringLiteral("MDB ファイル(*.mdb)|Vyxdata.mdb|") + anyFile;
    return anyFile;
}

QString default年号() { return 年号Choices().first(); }
QString default端数() { return 端数Choices().first(); }
QString default税区分() { return 税区分Choices().first(); }
QString default印刷用紙() { return 印刷用紙Choices().first(); }
QString default入数列タイトル() { return 入数列タイトルChoices().first(); }
QString default小数() { return 小数Choices().first(); }
QString default商品表示順() { return 商品表示順Choices().first(); }
QString default消費税率() { return 消費税率Choices().first(); }

namespace {

// Every column the row has, in one place so that the read and the write agree on the names.
const QString kSelect = QStringLiteral(
    "SELECT 自社名, 自社情報, 年号, 税端数, 税区分, 商品表示順, 印刷用紙, 小数, 行端数, "
    "顧客リンクアプリ, 顧客リンクパス, 商品リンクアプリ, 商品リンクパス, "
    "白紙TopMargin, 白紙LeftMargin, S101TopMargin, S101LeftMargin, 白紙罫線色, 入数列タイトル, "
    "YubinLocalEriaSw, YubinLocalEria, 消費税率, 登録番号, PDF保存先, バックアップ先, 最終バックアップ, "
    "バックアップ間隔, 振込先, 支払期限, 支払期限日数, COALESCE(更新番号, 0), 電子アドレス FROM 自社情報 ORDER BY rowid LIMIT 1");

// The columns the settings tab edits; the update and the insert bind them in this order.
const QStringList kWritten{
    QStringLiteral("自社名"),         QStringLiteral("自社情報"),       QStringLiteral("年号"),
    QStringLiteral("税端数"),         QStringLiteral("税区分"),         QStringLiteral("商品表示順"),
    QStringLiteral("印刷用紙"),       QStringLiteral("小数"),           QStringLiteral("行端数"),
    QStringLiteral("顧客リンクアプリ"), QStringLiteral("顧客リンクパス"), QStringLiteral("商品リンクアプリ"),
    QStringLiteral("商品リンクパス"),   QStringLiteral("白紙TopMargin"),  QStringLiteral("白紙LeftMargin"),
    QStringLiteral("白紙罫線色"),     QStringLiteral("入数列タイトル"), QStringLiteral("消費税率"),
    QStringLiteral("登録番号"),       QStringLiteral("バックアップ間隔"), QStringLiteral("振込先"),
    QStringLiteral("支払期限"),       QStringLiteral("支払期限日数"),   QStringLiteral("電子アドレス"),
};

std::optional<QString> textValue(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toString();
}

std::optional<double> realValue(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

std::optional<qint32> colorValue(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    // Anything but an RGB value is as good as no colour.
    if (!ok || n < 0 || n > 0xFFFFFF)
        return std::nullopt;
    return qint32(n);
}

std::optional<bool> boolValue(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toLongLong() != 0;
}

QVariant bindText(const std::optional<QString> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<QString>());
}

QVariant bindReal(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<double>());
}

QVariant bindInt(const std::optional<qint32> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<qint32>());
}

QString orDefault(const std::optional<QString> &v, const QString &fallback)
{
    return v ? *v : fallback;
}

// An empty combo stores the column's default.
QString comboOrDefault(const QString &text, const QString &fallback)
{
    return text.isEmpty() ? fallback : text;
}

// How writeColumns treats the row's version.
struct Versioned {
    bool raise = false;               // a save of the settings: the version goes up by one
    std::optional<qint64> readAt;     // stored only over this version
    bool *changedElsewhere = nullptr; // set when the stored version is another
    qint64 *stored = nullptr;         // the version written
};

// Writes columns into the first row, or adds the row when there is none, in one transaction.
bool writeColumns(const QStringList &columns, const QVariantList &values, const Versioned &version = {})
{
    QSqlDatabase database = db::data();
    db::Transaction transaction(database);
    if (!transaction.isActive())
        return false;
    if (version.readAt) {
        // Another PC's save of the settings waits for this one, so the version read stays true.
        QSqlQuery stored(database);
        if (!db::lockWriters(database, QStringLiteral("自社情報"))
            || !db::exec(stored, QStringLiteral("SELECT COALESCE(更新番号, 0) FROM 自社情報 ORDER BY rowid LIMIT 1")))
            return false;
        // A row removed since (a data reset) is a change too.
        if (!stored.next() || stored.value(0).toLongLong() != *version.readAt) {
            if (version.changedElsewhere)
                *version.changedElsewhere = true;
            return false;
        }
    }

    QStringList assignments;
    for (const QString &column : columns)
        assignments << column + QStringLiteral(" = ?");
    if (version.raise)
        assignments << QStringLiteral("更新番号 = COALESCE(更新番号, 0) + 1");
    QSqlQuery update(database);
    if (!db::exec(update,
                  QStringLiteral("UPDATE 自社情報 SET ") + assignments.join(QStringLiteral(", "))
                      + QStringLiteral(" WHERE rowid = (SELECT min(rowid) FROM 自社情報)"),
                  values))
        return false;

    if (update.numRowsAffected() == 0) {
        const QString marks = QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", "));
        if (!db::exec(database,
                      QStringLiteral("INSERT INTO 自社情報 (") + columns.join(QStringLiteral(", "))
                          + QStringLiteral(") VALUES (") + marks + QStringLiteral(")"),
                      values))
            return false;
    }
    if (version.stored) {
        QSqlQuery now(database);
        if (!db::exec(now, QStringLiteral("SELECT COALESCE(更新番号, 0) FROM 自社情報 ORDER BY rowid LIMIT 1")) || !now.next())
            return false;
        *version.stored = now.value(0).toLongLong();
    }
    return transaction.commit();
}

} // namespace

SettingsRead readSettingsRow()
{
    SettingsRead result;
    QSqlQuery q(db::data());
    if (!db::exec(q, kSelect))
        return result;
    if (!q.next()) {
        result.status = q.isActive() ? ReadStatus::NoRow : ReadStatus::Failed;
        return result;
    }
    SettingsRow &r = result.row;
    r.自社名 = textValue(q.value(0));
    r.自社情報 = textValue(q.value(1));
    r.年号 = textValue(q.value(2));
    r.税端数 = textValue(q.value(3));
    r.税区分 = textValue(q.value(4));
    r.商品表示順 = textValue(q.value(5));
    r.印刷用紙 = textValue(q.value(6));
    r.小数 = textValue(q.value(7));
    r.行端数 = textValue(q.value(8));
    r.顧客リンクアプリ = textValue(q.value(9));
    r.顧客リンクパス = textValue(q.value(10));
    r.商品リンクアプリ = textValue(q.value(11));
    r.商品リンクパス = textValue(q.value(12));
    r.白紙TopMargin = realValue(q.value(13));
    r.白紙LeftMargin = realValue(q.value(14));
    r.S101TopMargin = realValue(q.value(15));
    r.S101LeftMargin = realValue(q.value(16));
    r.白紙罫線色 = colorValue(q.value(17));
    r.入数列タイトル = textValue(q.value(18));
    r.YubinLocalEriaSw = boolValue(q.value(19));
    r.YubinLocalEria = textValue(q.value(20));
    r.消費税率 = realValue(q.value(21));
    r.登録番号 = textValue(q.value(22));
    r.PDF保存先 = textValue(q.value(23));
    r.バックアップ先 = textValue(q.value(24));
    r.最終バックアップ = textValue(q.value(25));
    if (const auto days = realValue(q.value(26)))
        r.バックアップ間隔 = int(*days);
    r.振込先 = textValue(q.value(27));
    r.支払期限 = textValue(q.value(28));
    if (const auto days = realValue(q.value(29)))
        r.支払期限日数 = int(*days);
    r.更新番号 = q.value(30).toLongLong();
    r.電子アドレス = textValue(q.value(31));
    result.status = ReadStatus::Found;
    return result;
}

bool writeRemembered(Remembered what, const QString &value)
{
    const QString column = what == Remembered::PdfFolder      ? QStringLiteral("PDF保存先")
                           : what == Remembered::BackupFolder ? QStringLiteral("バックアップ先")
                                                              : QStringLiteral("最終バックアップ");
    // Not worth waiting for: a data file another program holds just keeps the old value.
    db::NoWait noWait(db::data());
    return writeColumns({column}, {bindText(value.isEmpty() ? std::nullopt : std::optional<QString>(value))});
}

bool writeSettingsRow(const SettingsRow &row, bool *changedElsewhere, qint64 *storedVersion)
{
    if (changedElsewhere)
        *changedElsewhere = false;
    const QVariantList written{
        bindText(row.自社名),         bindText(row.自社情報),       bindText(row.年号),
        bindText(row.税端数),         bindText(row.税区分),         bindText(row.商品表示順),
        bindText(row.印刷用紙),       bindText(row.小数),           bindText(row.行端数),
        bindText(row.顧客リンクアプリ), bindText(row.顧客リンクパス), bindText(row.商品リンクアプリ),
        bindText(row.商品リンクパス),   bindReal(row.白紙TopMargin),  bindReal(row.白紙LeftMargin),
        bindInt(row.白紙罫線色),      bindText(row.入数列タイトル), bindReal(row.消費税率),
        bindText(row.登録番号),       bindInt(row.バックアップ間隔), bindText(row.振込先),
        bindText(row.支払期限),       bindInt(row.支払期限日数),   bindText(row.電子アドレス),
    };
    QStringList columns = kWritten;
    QVariantList values = written;
    // The own area of the postal-code search is written only by a row that carries it.
    if (row.YubinLocalEriaSw) {
        columns << QStringLiteral("YubinLocalEriaSw") << QStringLiteral("YubinLocalEria");
        values << QVariant(*row.YubinLocalEriaSw ? 1 : 0) << bindText(row.YubinLocalEria);
    }

    return writeColumns(columns, values, {true, row.更新番号, changedElsewhere, storedVersion});
}

QString numberText(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // never "-0"
    return QString::number(value, 'g', 15);
}

SettingsForm formFromRow(const SettingsRow &row)
{
    SettingsForm f;
    f.自社名 = orDefault(row.自社名, {});
    f.自社情報 = orDefault(row.自社情報, {});
    f.年号 = orDefault(row.年号, default年号());
    f.税端数 = orDefault(row.税端数, default端数());
    f.行端数 = orDefault(row.行端数, default端数());
    f.税区分 = orDefault(row.税区分, default税区分());
    f.印刷用紙 = orDefault(row.印刷用紙, default印刷用紙());
    f.入数列タイトル = orDefault(row.入数列タイトル, default入数列タイトル());
    f.小数 = orDefault(row.小数, default小数());
    f.商品表示順 = orDefault(row.商品表示順, default商品表示順());
    f.顧客リンクアプリ = orDefault(row.顧客リンクアプリ, {});
    f.顧客リンクパス = orDefault(row.顧客リンクパス, {});
    f.商品リンクアプリ = orDefault(row.商品リンクアプリ, {});
    f.商品リンクパス = orDefault(row.商品リンクパス, {});
    f.TopMargin = numberText(row.白紙TopMargin.value_or(0));
    f.LeftMargin = numberText(row.白紙LeftMargin.value_or(0));
    f.罫線色 = QString::number(row.白紙罫線色.value_or(0));
    f.YubinLocalEriaSw = row.YubinLocalEriaSw.value_or(false);
    f.YubinLocalEria = orDefault(row.YubinLocalEria, {});
    // A stored rate that is none of the choices shows as what it is, which the pick-only list
    // does not offer: the box stays empty and the start-up says so.
    if (!row.消費税率)
        f.消費税率 = default消費税率();
    else if (const auto percent = taxPercentFromRate(*row.消費税率))
        f.消費税率 = QStringLiteral("%1%").arg(*percent);
    else
        f.消費税率 = QStringLiteral("%1%").arg(QString::number(*row.消費税率 * 100, 'g', 6));
    f.登録番号 = orDefault(row.登録番号, {});
    f.バックアップ間隔 = QString::number(row.バックアップ間隔.value_or(DefaultBackupDays));
    f.振込先 = orDefault(row.振込先, {});
    // A stored rule the list does not offer decides no due date, as none does.
    f.支払期限 = row.支払期限 && 支払期限Choices().contains(*row.支払期限) ? *row.支払期限 : default支払期限();
    f.支払期限日数 = QString::number(row.支払期限日数.value_or(DefaultDueDays));
    f.電子アドレス = orDefault(row.電子アドレス, {});
    return f;
}

SettingsForm defaultForm()
{
    return formFromRow(SettingsRow{});
}

SettingsRow rowFromForm(const SettingsForm &f)
{
    const auto textOrNull = [](const QString &text) -> std::optional<QString> {
        if (text.isEmpty())
            return std::nullopt;
        return text;
    };
    SettingsRow r;
    r.自社名 = textOrNull(f.自社名);
    r.自社情報 = textOrNull(f.自社情報);
    r.年号 = comboOrDefault(f.年号, default年号());
    r.税端数 = comboOrDefault(f.税端数, default端数());
    r.行端数 = comboOrDefault(f.行端数, default端数());
    r.税区分 = comboOrDefault(f.税区分, default税区分());
    r.印刷用紙 = comboOrDefault(f.印刷用紙, default印刷用紙());
    r.入数列タイトル = comboOrDefault(f.入数列タイトル, default入数列タイトル());
    r.小数 = comboOrDefault(f.小数, default小数());
    r.商品表示順 = comboOrDefault(f.商品表示順, default商品表示順());
    r.顧客リンクアプリ = textOrNull(f.顧客リンクアプリ);
    r.顧客リンクパス = textOrNull(f.顧客リンクパス);
    r.商品リンクアプリ = textOrNull(f.商品リンクアプリ);
    r.商品リンクパス = textOrNull(f.商品リンクパス);
    r.白紙TopMargin = formats::parseNumber(f.TopMargin).value_or(0);
    r.白紙LeftMargin = formats::parseNumber(f.LeftMargin).value_or(0);
    if (const auto colour = formats::parseWholeNumber(f.罫線色); colour && *colour >= 0 && *colour <= 0xFFFFFF)
        r.白紙罫線色 = qint32(*colour);
    r.YubinLocalEriaSw = f.YubinLocalEriaSw;
    r.YubinLocalEria = textOrNull(f.YubinLocalEria.trimmed());
    r.消費税率 = taxPercentFromText(comboOrDefault(f.消費税率, default消費税率())).value_or(5) / 100.0;
    r.登録番号 = textOrNull(registrationNumber(f.登録番号).value_or(QString()));
    const auto days = formats::parseWholeNumber(f.バックアップ間隔);
    r.バックアップ間隔 = days && *days >= 1 && *days <= 365 ? int(*days) : DefaultBackupDays;
    r.振込先 = textOrNull(f.振込先);
    const QString rule = comboOrDefault(f.支払期限, default支払期限());
    r.支払期限 = rule == default支払期限() ? std::nullopt : std::optional<QString>(rule);
    const auto dueDays = formats::parseWholeNumber(f.支払期限日数);
    r.支払期限日数 = dueDays && *dueDays >= 1 && *dueDays <= MaxDueDays ? int(*dueDays) : DefaultDueDays;
    // The default is not stored: it follows the registration number.
    const QString address = electronicAddress(f.電子アドレス).value_or(QString());
    r.電子アドレス = address == defaultElectronicAddress(f.登録番号) ? std::nullopt : textOrNull(address);
    return r;
}

} // namespace settings
