// The C interface of the postal-code component: the class factory, ClsYubinC objects and the
// registration. Nothing here may let a C++ exception or a Qt assertion cross into the caller.
#include "postal/Postora.h"

#include "postal/FmYubinC.h"
#include "postal/ModYubinC.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QUuid>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <optional>

namespace {

// Objects alive, references to the factory and LockServer locks: the library may go only when
// all three are zero. The factory's references and the locks never go below zero, so that a
// caller releasing or unlocking once too often cannot cancel what another part of it holds.
std::atomic<int> g_objects{0};
std::atomic<int> g_factoryReferences{0};
std::atomic<int> g_locks{0};

// One less, but not below zero; the count left.
int decrementToZero(std::atomic<int> &count)
{
    int n = count.load();
    while (n > 0 && !count.compare_exchange_weak(n, n - 1)) {
    }
    return n > 0 ? n - 1 : 0;
}

bool is(const PostoraGuid *a, const PostoraGuid &b)
{
    return a && std::memcmp(a, &b, sizeof b) == 0;
}

uint16_t *newText(const QString &text)
{
    auto *out = static_cast<uint16_t *>(std::malloc(size_t(text.size() + 1) * sizeof(uint16_t)));
    if (!out)
        return nullptr;
    std::memcpy(out, text.utf16(), size_t(text.size()) * sizeof(uint16_t));
    out[text.size()] = 0;
    return out;
}

QString fromText(const uint16_t *text)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(text));
}

template <typename F>
PostoraResult guarded(F f)
{
    try {
        return f();
    } catch (...) {
        return POSTORA_E_FAIL;
    }
}

struct YubinObject : ClsYubinC
{
    std::atomic<uint32_t> references{1};
    QString code;
    QString address;
    std::optional<QString> dtDir, yubinDir, work, data, yubin;
    QString lastError;
};

YubinObject *object(ClsYubinC *self)
{
    return static_cast<YubinObject *>(self);
}

PostoraResult getText(ClsYubinC *self, uint16_t **value, QString YubinObject::*member)
{
    if (!self || !value)
        return POSTORA_E_POINTER;
    *value = newText(object(self)->*member);
    return *value ? POSTORA_OK : POSTORA_E_OUTOFMEMORY;
}

PostoraResult putText(ClsYubinC *self, const uint16_t *value, QString YubinObject::*member)
{
    if (!self)
        return POSTORA_E_POINTER;
    return guarded([&] {
        object(self)->*member = value ? fromText(value) : QString();
        return POSTORA_OK;
    });
}

PostoraResult getVariant(ClsYubinC *self, uint16_t **value, std::optional<QString> YubinObject::*member)
{
    if (!self || !value)
        return POSTORA_E_POINTER;
    const std::optional<QString> &v = object(self)->*member;
    *value = v ? newText(*v) : nullptr;
    return (!v || *value) ? POSTORA_OK : POSTORA_E_OUTOFMEMORY;
}

PostoraResult putVariant(ClsYubinC *self, const uint16_t *value, std::optional<QString> YubinObject::*member)
{
    if (!self)
        return POSTORA_E_POINTER;
    return guarded([&] {
        object(self)->*member = value ? std::optional<QString>(fromText(value)) : std::nullopt;
        return POSTORA_OK;
    });
}

PostoraResult yubinQueryInterface(ClsYubinC *self, const PostoraGuid *iid, void **out)
{
    if (!self || !out)
        return POSTORA_E_POINTER;
    *out = nullptr;
    if (!is(iid, IID_PostoraUnknown) && !is(iid, IID_ClsYubinC))
        return POSTORA_E_NOINTERFACE;
    object(self)->references.fetch_add(1);
    *out = self;
    return POSTORA_OK;
}

uint32_t yubinAddRef(ClsYubinC *self)
{
    return self ? object(self)->references.fetch_add(1) + 1 : 0;
}

uint32_t yubinRelease(ClsYubinC *self)
{
    if (!self)
        return 0;
    const uint32_t left = object(self)->references.fetch_sub(1) - 1;
    if (left == 0) {
        delete object(self);
        g_objects.fetch_sub(1);
    }
    return left;
}

#define POSTORA_TEXT(name, member)                                                                           \
    PostoraResult get_##name(ClsYubinC *self, uint16_t **value) { return getText(self, value, member); }     \
    PostoraResult put_##name(ClsYubinC *self, const uint16_t *value) { return putText(self, value, member); }
#define POSTORA_VARIANT(name, member)                                                                           \
    PostoraResult get_##name(ClsYubinC *self, uint16_t **value) { return getVariant(self, value, member); }     \
    PostoraResult put_##name(ClsYubinC *self, const uint16_t *value) { return putVariant(self, value, member); }

POSTORA_TEXT(pc郵便番号, &YubinObject::code)
POSTORA_TEXT(pc住所, &YubinObject::address)
POSTORA_VARIANT(pcDtDir, &YubinObject::dtDir)
POSTORA_VARIANT(pcYubinDir, &YubinObject::yubinDir)
POSTORA_VARIANT(pcWork, &YubinObject::work)
POSTORA_VARIANT(pcData, &YubinObject::data)
POSTORA_VARIANT(pcYubin, &YubinObject::yubin)

PostoraResult formShow(ClsYubinC *self)
{
    if (!self)
        return POSTORA_E_POINTER;
    return guarded([&] {
        YubinObject *o = object(self);
        o->lastError.clear();
        const QCoreApplication *app = QCoreApplication::instance();
        if (!qobject_cast<const QApplication *>(app)) {
            o->lastError = QStringLiteral("郵便番号検索の画面を出せません（呼び出し側にアプリケーションがありません）。");
            return POSTORA_E_FAIL;
        }
        // Widgets live in the application's GUI thread only; nothing shared is touched first.
        if (QThread::currentThread() != app->thread()) {
            o->lastError = QStringLiteral("郵便番号検索の画面を出せません（アプリケーションの画面のスレッド以外から呼ばれました）。");
            return POSTORA_E_FAIL;
        }
        yubin::ModuleState &state = yubin::moduleState();
        state.paths = {o->yubin.value_or(QString()), o->data.value_or(QString()), o->work.value_or(QString())};
        return FmYubinC::formShow(&o->lastError) ? POSTORA_OK : POSTORA_E_FAIL;
    });
}

PostoraResult setRetVal(ClsYubinC *self)
{
    if (!self)
        return POSTORA_E_POINTER;
    return guarded([&] {
        const yubin::ModuleState &state = yubin::moduleState();
        object(self)->code = state.resultCode;
        object(self)->address = state.resultAddress;
        return POSTORA_OK;
    });
}

PostoraResult getLastError(ClsYubinC *self, uint16_t **value)
{
    return getText(self, value, &YubinObject::lastError);
}

const ClsYubinCVtbl YubinVtbl = {
    yubinQueryInterface, yubinAddRef, yubinRelease,
    get_pc郵便番号, put_pc郵便番号, get_pc住所, put_pc住所, get_pcDtDir, put_pcDtDir, get_pcYubinDir, put_pcYubinDir,
    get_pcWork, put_pcWork, get_pcData, put_pcData, get_pcYubin, put_pcYubin,
    formShow, setRetVal, getLastError,
};

// The one factory, never deleted; its references keep the library.
PostoraResult factoryQueryInterface(PostoraClassFactory *self, const PostoraGuid *iid, void **out);
uint32_t factoryAddRef(PostoraClassFactory *)
{
    return uint32_t(g_factoryReferences.fetch_add(1) + 1);
}
uint32_t factoryRelease(PostoraClassFactory *)
{
    return uint32_t(decrementToZero(g_factoryReferences));
}

PostoraResult factoryCreateInstance(PostoraClassFactory *, void *outer, const PostoraGuid *iid, void **out)
{
    if (!out)
        return POSTORA_E_POINTER;
    *out = nullptr;
    if (outer)
        return POSTORA_E_NOAGGREGATION;
    if (!is(iid, IID_PostoraUnknown) && !is(iid, IID_ClsYubinC))
        return POSTORA_E_NOINTERFACE;
    auto *made = new (std::nothrow) YubinObject;
    if (!made)
        return POSTORA_E_OUTOFMEMORY;
    made->vtbl = &YubinVtbl;
    g_objects.fetch_add(1);
    *out = static_cast<ClsYubinC *>(made);
    return POSTORA_OK;
}

PostoraResult factoryLockServer(PostoraClassFactory *, int32_t lock)
{
    if (lock)
        g_locks.fetch_add(1);
    else
        decrementToZero(g_locks);
    return POSTORA_OK;
}

const PostoraClassFactoryVtbl FactoryVtbl = {factoryQueryInterface, factoryAddRef, factoryRelease,
                                             factoryCreateInstance, factoryLockServer};
PostoraClassFactory g_factory = {&FactoryVtbl};

PostoraResult factoryQueryInterface(PostoraClassFactory *self, const PostoraGuid *iid, void **out)
{
    if (!out)
        return POSTORA_E_POINTER;
    *out = nullptr;
    if (!is(iid, IID_PostoraUnknown) && !is(iid, IID_PostoraClassFactory))
        return POSTORA_E_NOINTERFACE;
    factoryAddRef(self);
    *out = self;
    return POSTORA_OK;
}

QString registryFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/postora/classes.ini");
}

QString classKey()
{
    const PostoraGuid &g = CLSID_ClsYubinC;
    const QUuid id(g.data1, g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5],
                   g.data4[6], g.data4[7]);
    return QStringLiteral("CLSID/") + id.toString(QUuid::WithBraces).toUpper();
}

QString libraryPath()
{
    Dl_info info;
    if (dladdr(reinterpret_cast<void *>(&DllGetClassObject), &info) == 0 || !info.dli_fname)
        return {};
    return QDir(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
}

} // namespace

extern "C" {

PostoraResult DllGetClassObject(const PostoraGuid *clsid, const PostoraGuid *iid, void **object)
{
    if (!object)
        return POSTORA_E_POINTER;
    *object = nullptr;
    if (!is(clsid, CLSID_ClsYubinC))
        return POSTORA_E_CLASSNOTAVAILABLE;
    return factoryQueryInterface(&g_factory, iid, object);
}

PostoraResult DllCanUnloadNow(void)
{
    return g_objects.load() == 0 && g_factoryReferences.load() == 0 && g_locks.load() == 0 ? POSTORA_OK : POSTORA_FALSE;
}

PostoraResult DllRegisterServer(void)
{
    return guarded([] {
        const QString path = libraryPath();
        if (path.isEmpty())
            return POSTORA_E_FAIL;
        QSettings registry(registryFile(), QSettings::IniFormat);
        registry.setValue(classKey(), path);
        registry.sync();
        return registry.status() == QSettings::NoError ? POSTORA_OK : POSTORA_E_FAIL;
    });
}

PostoraResult DllUnregisterServer(void)
{
    return guarded([] {
        QSettings registry(registryFile(), QSettings::IniFormat);
        registry.remove(classKey());
        registry.sync();
        return registry.status() == QSettings::NoError ? POSTORA_OK : POSTORA_E_FAIL;
    });
}

void PostoraFreeString(uint16_t *text)
{
    std::free(text);
}

} // extern "C"
