// The component's C interface from outside, as a caller sees it: the library loaded with
// dlopen, the class made by its identifier, members set and read, references counted.
#include "PostalTestUtil.h"

#include "postal/Postora.h"
#include "support/QStringPrinter.h"
#include "support/TestDataDir.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

struct Library
{
    Library() : handle(dlopen(POSTORA_LIBRARY, RTLD_NOW | RTLD_LOCAL))
    {
        EXPECT_NE(handle, nullptr) << dlerror();
    }
    template <typename F>
    F fn(const char *name) const
    {
        return reinterpret_cast<F>(dlsym(handle, name));
    }
    // Kept loaded: the window's classes live in it.
    void *handle;
};

const Library &library()
{
    static Library lib;
    return lib;
}

ClsYubinC *create()
{
    PostoraClassFactory *factory = nullptr;
    const auto getClassObject = library().fn<PostoraGetClassObjectFn>("DllGetClassObject");
    EXPECT_EQ(getClassObject(&CLSID_ClsYubinC, &IID_PostoraClassFactory, reinterpret_cast<void **>(&factory)), POSTORA_OK);
    ClsYubinC *object = nullptr;
    EXPECT_EQ(factory->vtbl->CreateInstance(factory, nullptr, &IID_ClsYubinC, reinterpret_cast<void **>(&object)), POSTORA_OK);
    factory->vtbl->Release(factory);
    return object;
}

// A member's text, freed by the library that allocated it; "<null>" for an empty variant.
QString get(ClsYubinC *o, PostoraResult (*ClsYubinCVtbl::*member)(ClsYubinC *, uint16_t **))
{
    uint16_t *text = nullptr;
    EXPECT_EQ((o->vtbl->*member)(o, &text), POSTORA_OK);
    if (!text)
        return QStringLiteral("<null>");
    const QString value = QString::fromUtf16(reinterpret_cast<const char16_t *>(text));
    library().fn<PostoraFreeStringFn>("PostoraFreeString")(text);
    return value;
}

void put(ClsYubinC *o, PostoraResult (*ClsYubinCVtbl::*member)(ClsYubinC *, const uint16_t *), const QString &value)
{
    EXPECT_EQ((o->vtbl->*member)(o, reinterpret_cast<const uint16_t *>(value.utf16())), POSTORA_OK);
}

PostoraResult canUnloadNow()
{
    return library().fn<PostoraCanUnloadNowFn>("DllCanUnloadNow")();
}

} // namespace

TEST(PostoraInterface, TheClassIsMadeByItsIdentifierAndCountsItsReferences)
{
    ASSERT_NE(library().handle, nullptr);
    EXPECT_EQ(canUnloadNow(), POSTORA_OK);
    const auto getClassObject = library().fn<PostoraGetClassObjectFn>("DllGetClassObject");
    void *none = reinterpret_cast<void *>(1);
    EXPECT_EQ(getClassObject(&IID_ClsYubinC, &IID_PostoraClassFactory, &none), POSTORA_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);

    ClsYubinC *o = create();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(canUnloadNow(), POSTORA_FALSE) << "an object is alive";
    EXPECT_EQ(o->vtbl->AddRef(o), 2u);
    void *same = nullptr;
    EXPECT_EQ(o->vtbl->QueryInterface(o, &IID_PostoraUnknown, &same), POSTORA_OK);
    EXPECT_EQ(same, o);
    EXPECT_EQ(o->vtbl->QueryInterface(o, &IID_PostoraClassFactory, &same), POSTORA_E_NOINTERFACE);
    EXPECT_EQ(same, nullptr);
    EXPECT_EQ(o->vtbl->Release(o), 2u);
    EXPECT_EQ(o->vtbl->Release(o), 1u);
    EXPECT_EQ(canUnloadNow(), POSTORA_FALSE);
    EXPECT_EQ(o->vtbl->Release(o), 0u);
    EXPECT_EQ(canUnloadNow(), POSTORA_OK) << "nothing alive, nothing locked";
}

TEST(PostoraInterface, MembersKeepWhatWasLastWritten)
{
    ClsYubinC *o = create();
    EXPECT_EQ(get(o, &ClsYubinCVtbl::get_pc郵便番号), QString());
    EXPECT_EQ(get(o, &ClsYubinCVtbl::get_pc住所), QString());
    for (auto member : {&ClsYubinCVtbl::get_pcDtDir, &ClsYubinCVtbl::get_pcYubinDir, &ClsYubinCVtbl::get_pcWork,
                        &ClsYubinCVtbl::get_pcData, &ClsYubinCVtbl::get_pcYubin})
        EXPECT_EQ(get(o, member), QStringLiteral("<null>")) << "a variant starts empty";

    put(o, &ClsYubinCVtbl::put_pc郵便番号, QStringLiteral("1000001"));
    put(o, &ClsYubinCVtbl::put_pc住所, QStringLiteral("東京都千代田区千代田 O'Hare ビル"));
    put(o, &ClsYubinCVtbl::put_pcData, QStringLiteral("/データ/it's/QLNVData.mdb"));
    put(o, &ClsYubinCVtbl::put_pcDtDir, QString());
    EXPECT_EQ(get(o, &ClsYubinCVtbl::get_pc郵便番号), QStringLiteral("1000001"));
    EXPECT_EQ(get(o, &ClsYubinCVtbl::get_pc住所), QStringLiteral("東京都千代田区千代田 O'Hare ビル"));
    EXPECT_EQ(get(o, &ClsYubinCVtbl::get_pcData), QStringLiteral("/データ/it's/QLNVData.mdb"));
    EXPECT_EQ(get(o, &ClsYubinCVtbl::get_pcDtDir), QString()) << "an empty text is not an empty variant";
    EXPECT_EQ(o->vtbl->put_pcData(o, nullptr), POSTORA_OK);
    EXPECT_EQ(get(o, &ClsYubinCVtbl::get_pcData), QStringLiteral("<null>"));
    EXPECT_EQ(o->vtbl->get_pcData(o, nullptr), POSTORA_E_POINTER);
    o->vtbl->Release(o);
}

// The result pair belongs to the library, not to an object: what one object's window chose
// another object's SetRetVal reads; a window that cannot open leaves it and says why.
TEST(PostoraInterface, TheResultIsSharedByEveryObject)
{
    TestDataDir dir;
    ClsYubinC *first = create();
    ClsYubinC *second = create();
    put(first, &ClsYubinCVtbl::put_pcData, dir.dataMdb());
    put(first, &ClsYubinCVtbl::put_pcWork, dir.workMdb());
    put(first, &ClsYubinCVtbl::put_pcYubin, dir.dataDir() + QStringLiteral("/missing.mdb"));
    EXPECT_EQ(first->vtbl->FormShow(first), POSTORA_E_FAIL);
    EXPECT_FALSE(get(first, &ClsYubinCVtbl::GetLastError).isEmpty());

    put(first, &ClsYubinCVtbl::put_pcYubin, postaltest::realDictionary());
    QTimer::singleShot(0, [] {
        QWidget *window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr);
        auto *code = window->findChild<QLineEdit *>(QStringLiteral("TXT郵便番号"));
        ASSERT_NE(code, nullptr);
        code->setFocus();
        QTest::keyClicks(code, QStringLiteral("1000001"));
        QTest::keyClick(code, Qt::Key_Return);
        QTest::keyClick(window, Qt::Key_F10);
    });
    EXPECT_EQ(first->vtbl->FormShow(first), POSTORA_OK);
    EXPECT_EQ(second->vtbl->SetRetVal(second), POSTORA_OK);
    EXPECT_EQ(get(second, &ClsYubinCVtbl::get_pc郵便番号), QStringLiteral("1000001"));
    EXPECT_EQ(get(second, &ClsYubinCVtbl::get_pc住所), QStringLiteral("東京都千代田区千代田"));
    EXPECT_EQ(get(first, &ClsYubinCVtbl::get_pc郵便番号), QString()) << "only SetRetVal copies the result";
    first->vtbl->Release(first);
    second->vtbl->Release(second);
}

TEST(PostoraInterface, RegistrationWritesAndRemovesTheClassInTheUsersConfiguration)
{
    QTemporaryDir config;
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const QString file = config.filePath(QStringLiteral("postora/classes.ini"));
    const QString key = QStringLiteral("CLSID/{5B0E6C2A-93D4-4F1E-8A57-2C61B8E0D4A1}");

    EXPECT_EQ(library().fn<PostoraCanUnloadNowFn>("DllRegisterServer")(), POSTORA_OK);
    EXPECT_EQ(QSettings(file, QSettings::IniFormat).value(key).toString(), QStringLiteral(POSTORA_LIBRARY));
    EXPECT_EQ(library().fn<PostoraCanUnloadNowFn>("DllUnregisterServer")(), POSTORA_OK);
    EXPECT_FALSE(QSettings(file, QSettings::IniFormat).contains(key));
    qputenv("XDG_CONFIG_HOME", previous);
}
