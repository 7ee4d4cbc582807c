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
#include <QThread>
#include <QTimer>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

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

// What a caller may do to the factory and the library, in any order and more often than it should.
enum class Step { GetFactory, AddRefFactory, ReleaseFactory, Create, ReleaseObject, Lock, Unlock };

// The library may be unloaded only when no object lives, the factory is not referenced and no
// lock is held, however often the factory was released or the library unlocked beyond that.
TEST(PostoraInterface, TheLibraryStaysWhileAnythingOfItIsHeld)
{
    using enum Step;
    const struct { const char *why; std::vector<Step> steps; } cases[] = {
        {"the factory released twice after making an object",
         {GetFactory, Create, ReleaseFactory, ReleaseFactory, ReleaseObject}},
        {"the factory released more often than taken before making objects",
         {GetFactory, ReleaseFactory, ReleaseFactory, ReleaseFactory, GetFactory, Create, Create, ReleaseFactory,
          ReleaseObject, ReleaseObject}},
        {"a factory taken twice needs two releases",
         {GetFactory, AddRefFactory, Create, ReleaseObject, ReleaseFactory, ReleaseFactory, ReleaseFactory}},
        {"unlocked more often than locked", {GetFactory, Unlock, Unlock, Lock, ReleaseFactory, ReleaseFactory, Unlock}},
        {"a lock outlives every reference", {GetFactory, Lock, Create, ReleaseObject, ReleaseFactory, ReleaseFactory, Unlock}},
    };
    const auto getClassObject = library().fn<PostoraGetClassObjectFn>("DllGetClassObject");
    for (const auto &c : cases) {
        PostoraClassFactory *factory = nullptr;
        std::vector<ClsYubinC *> objects;
        uint32_t factoryReferences = 0;
        int locks = 0;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const std::string why = std::string(c.why) + ", step " + std::to_string(i + 1);
            switch (c.steps[i]) {
            case GetFactory:
                ASSERT_EQ(getClassObject(&CLSID_ClsYubinC, &IID_PostoraClassFactory, reinterpret_cast<void **>(&factory)), POSTORA_OK);
                ++factoryReferences;
                break;
            case AddRefFactory:
                EXPECT_EQ(factory->vtbl->AddRef(factory), ++factoryReferences) << why;
                break;
            case ReleaseFactory:
                factoryReferences = factoryReferences > 0 ? factoryReferences - 1 : 0;
                EXPECT_EQ(factory->vtbl->Release(factory), factoryReferences) << why;
                break;
            case Create: {
                void *made = nullptr;
                ASSERT_EQ(factory->vtbl->CreateInstance(factory, nullptr, &IID_ClsYubinC, &made), POSTORA_OK) << why;
                objects.push_back(static_cast<ClsYubinC *>(made));
                break;
            }
            case ReleaseObject:
                EXPECT_EQ(objects.back()->vtbl->Release(objects.back()), 0u) << why;
                objects.pop_back();
                break;
            case Lock:
            case Unlock:
                EXPECT_EQ(factory->vtbl->LockServer(factory, c.steps[i] == Lock), POSTORA_OK) << why;
                locks = c.steps[i] == Lock ? locks + 1 : std::max(locks - 1, 0);
                break;
            }
            const bool held = !objects.empty() || factoryReferences > 0 || locks > 0;
            EXPECT_EQ(canUnloadNow(), held ? POSTORA_FALSE : POSTORA_OK) << why;
        }
    }
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

// Widgets belong to the application's GUI thread: FormShow called from any other opens nothing
// and says why, even with everything it needs at hand.
TEST(PostoraInterface, FormShowFromAnotherThreadIsRefused)
{
    TestDataDir dir;
    ClsYubinC *o = create();
    put(o, &ClsYubinCVtbl::put_pcData, dir.dataMdb());
    put(o, &ClsYubinCVtbl::put_pcWork, dir.workMdb());
    put(o, &ClsYubinCVtbl::put_pcYubin, postaltest::realDictionary());
    const qsizetype widgets = QApplication::allWidgets().size();
    PostoraResult result = POSTORA_OK;
    std::unique_ptr<QThread> caller(QThread::create([&] { result = o->vtbl->FormShow(o); }));
    caller->start();
    // Should a window open there after all, it is closed through that thread's own loop after a
    // while (the GUI thread serving it meanwhile), so that the test fails instead of hanging.
    for (int i = 0; !caller->wait(10); ++i) {
        QCoreApplication::processEvents();
        if (i == 300) {
            for (QWidget *window : QApplication::topLevelWidgets())
                QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
        }
    }
    EXPECT_EQ(result, POSTORA_E_FAIL);
    EXPECT_TRUE(get(o, &ClsYubinCVtbl::GetLastError).contains(QStringLiteral("スレッド")));
    EXPECT_EQ(QApplication::allWidgets().size(), widgets);
    o->vtbl->Release(o);
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
