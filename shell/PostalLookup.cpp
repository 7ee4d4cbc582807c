#include "shell/PostalLookup.h"

#include "postal/Postora.h"

#include <QLibrary>

namespace {

// A ClsYubinC reference, released when it goes.
class YubinObject
{
public:
    explicit YubinObject(ClsYubinC *object, PostoraFreeStringFn freeText) : m_object(object), m_free(freeText) {}
    ~YubinObject()
    {
        if (m_object)
            m_object->vtbl->Release(m_object);
    }
    YubinObject(const YubinObject &) = delete;
    YubinObject &operator=(const YubinObject &) = delete;

    bool put(PostoraResult (*ClsYubinCVtbl::*member)(ClsYubinC *, const uint16_t *), const QString &value)
    {
        return (m_object->vtbl->*member)(m_object, reinterpret_cast<const uint16_t *>(value.utf16())) == POSTORA_OK;
    }
    QString get(PostoraResult (*ClsYubinCVtbl::*member)(ClsYubinC *, uint16_t **))
    {
        uint16_t *text = nullptr;
        if ((m_object->vtbl->*member)(m_object, &text) != POSTORA_OK || !text)
            return {};
        const QString value = QString::fromUtf16(reinterpret_cast<const char16_t *>(text));
        m_free(text);   // the library allocated it, the library frees it
        return value;
    }
    ClsYubinC *operator->() const { return m_object; }

private:
    ClsYubinC *m_object;
    PostoraFreeStringFn m_free;
};

} // namespace

PostalLookup lookUpPostalCode(const QString &libraryDir, const QString &dataMdb, const QString &workMdb,
                              const QString &yubinMdb)
{
    PostalLookup result;
    // Kept loaded once loaded: the window's classes live in it, and loading again is free.
    QLibrary library(libraryDir + QStringLiteral("/Postora"));
    if (!library.load()) {
        result.error = QStringLiteral("郵便番号検索（Postora）を読み込めません（%1）。").arg(library.errorString());
        return result;
    }
    const auto getClassObject = reinterpret_cast<PostoraGetClassObjectFn>(library.resolve("DllGetClassObject"));
    const auto freeText = reinterpret_cast<PostoraFreeStringFn>(library.resolve("PostoraFreeString"));
    if (!getClassObject || !freeText) {
        result.error = QStringLiteral("%1 は郵便番号検索の部品ではありません。").arg(library.fileName());
        return result;
    }
    PostoraClassFactory *factory = nullptr;
    ClsYubinC *created = nullptr;
    if (getClassObject(&CLSID_ClsYubinC, &IID_PostoraClassFactory, reinterpret_cast<void **>(&factory)) == POSTORA_OK && factory) {
        factory->vtbl->CreateInstance(factory, nullptr, &IID_ClsYubinC, reinterpret_cast<void **>(&created));
        factory->vtbl->Release(factory);
    }
    if (!created) {
        result.error = QStringLiteral("郵便番号検索の部品を作れません。");
        return result;
    }
    YubinObject yubin(created, freeText);
    if (!yubin.put(&ClsYubinCVtbl::put_pcData, dataMdb) || !yubin.put(&ClsYubinCVtbl::put_pcWork, workMdb)
        || !yubin.put(&ClsYubinCVtbl::put_pcYubin, yubinMdb)) {
        result.error = QStringLiteral("郵便番号検索の部品にファイルの場所を渡せません。");
        return result;
    }
    if (yubin->vtbl->FormShow(created) != POSTORA_OK) {
        result.error = yubin.get(&ClsYubinCVtbl::GetLastError);
        if (result.error.isEmpty())
            result.error = QStringLiteral("郵便番号検索の画面を開けません。");
        return result;
    }
    yubin->vtbl->SetRetVal(created);
    result.ok = true;
    result.code = yubin.get(&ClsYubinCVtbl::get_pc郵便番号);
    if (!result.code.isEmpty())
        result.address = yubin.get(&ClsYubinCVtbl::get_pc住所);
    return result;
}
