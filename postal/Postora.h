/*
 * Postora's C interface: the postal-code component as an in-process server.
 *
 * A caller loads the library, asks DllGetClassObject for the class factory of ClsYubinC by its
 * class identifier, creates an object with CreateInstance, sets the paths, calls FormShow (a
 * modal search window; it returns when the window has closed) and SetRetVal, reads the result
 * and releases the object. Objects are reference counted (AddRef/Release).
 *
 * Only text crosses: UTF-16 buffers, zero-terminated. A buffer the library returns (the get_
 * members) belongs to the caller once returned and is freed with PostoraFreeString, since the
 * library allocated it; a buffer the caller passes (the put_ members) stays the caller's, the
 * library copies it. A variant member that holds nothing (never set, or set to NULL) is
 * returned as NULL; a text member always as a string, empty at first.
 *
 * Registration writes the class identifier and the library's path into
 * $XDG_CONFIG_HOME/postora/classes.ini (~/.config/postora/classes.ini), section [CLSID].
 */
#ifndef POSTORA_H
#define POSTORA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(POSTORA_BUILDING)
#define POSTORA_API __attribute__((visibility("default")))
#else
#define POSTORA_API
#endif

typedef struct PostoraGuid
{
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
} PostoraGuid;

typedef int32_t PostoraResult;
#define POSTORA_OK ((PostoraResult)0)
#define POSTORA_FALSE ((PostoraResult)1)
#define POSTORA_E_NOINTERFACE ((PostoraResult)0x80004002)
#define POSTORA_E_POINTER ((PostoraResult)0x80004003)
#define POSTORA_E_FAIL ((PostoraResult)0x80004005)
#define POSTORA_E_OUTOFMEMORY ((PostoraResult)0x8007000E)
#define POSTORA_E_NOAGGREGATION ((PostoraResult)0x80040110)
#define POSTORA_E_CLASSNOTAVAILABLE ((PostoraResult)0x80040111)

/* {00000000-0000-0000-C000-000000000046}: every object answers to it. */
static const PostoraGuid IID_PostoraUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
/* {00000001-0000-0000-C000-000000000046}: the class factory. */
static const PostoraGuid IID_PostoraClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
/* {5B0E6C2A-93D4-4F1E-8A57-2C61B8E0D4A1}: the class ClsYubinC. */
static const PostoraGuid CLSID_ClsYubinC = {0x5B0E6C2A, 0x93D4, 0x4F1E, {0x8A, 0x57, 0x2C, 0x61, 0xB8, 0xE0, 0xD4, 0xA1}};
/* {A3F1D7B2-6E48-4C09-B1D5-7E2F90C3A815}: its interface. */
static const PostoraGuid IID_ClsYubinC = {0xA3F1D7B2, 0x6E48, 0x4C09, {0xB1, 0xD5, 0x7E, 0x2F, 0x90, 0xC3, 0xA8, 0x15}};

typedef struct ClsYubinC ClsYubinC;

/* The members in their order: the three of every object, then the class's own. */
typedef struct ClsYubinCVtbl
{
    PostoraResult (*QueryInterface)(ClsYubinC *self, const PostoraGuid *iid, void **object);
    uint32_t (*AddRef)(ClsYubinC *self);
    uint32_t (*Release)(ClsYubinC *self);

    PostoraResult (*get_pc郵便番号)(ClsYubinC *self, uint16_t **value);
    PostoraResult (*put_pc郵便番号)(ClsYubinC *self, const uint16_t *value);
    PostoraResult (*get_pc住所)(ClsYubinC *self, uint16_t **value);
    PostoraResult (*put_pc住所)(ClsYubinC *self, const uint16_t *value);
    PostoraResult (*get_pcDtDir)(ClsYubinC *self, uint16_t **value);
    PostoraResult (*put_pcDtDir)(ClsYubinC *self, const uint16_t *value);
    PostoraResult (*get_pcYubinDir)(ClsYubinC *self, uint16_t **value);
    PostoraResult (*put_pcYubinDir)(ClsYubinC *self, const uint16_t *value);
    PostoraResult (*get_pcWork)(ClsYubinC *self, uint16_t **value);
    PostoraResult (*put_pcWork)(ClsYubinC *self, const uint16_t *value);
    PostoraResult (*get_pcData)(ClsYubinC *self, uint16_t **value);
    PostoraResult (*put_pcData)(ClsYubinC *self, const uint16_t *value);
    PostoraResult (*get_pcYubin)(ClsYubinC *self, uint16_t **value);
    PostoraResult (*put_pcYubin)(ClsYubinC *self, const uint16_t *value);
    /* Opens the search window modally. POSTORA_E_FAIL when it cannot open, or when called from a
       thread other than the application's GUI thread (GetLastError says why). */
    PostoraResult (*FormShow)(ClsYubinC *self);
    /* Copies the last window's result into pc郵便番号 and pc住所. */
    PostoraResult (*SetRetVal)(ClsYubinC *self);

    /* Beyond the class's members: why the last FormShow failed, as a plain message. */
    PostoraResult (*GetLastError)(ClsYubinC *self, uint16_t **value);
} ClsYubinCVtbl;

struct ClsYubinC
{
    const ClsYubinCVtbl *vtbl;
};

typedef struct PostoraClassFactory PostoraClassFactory;

/* The factory counts its own references: releasing it more often than it was taken leaves it
   unreferenced, and never lets DllCanUnloadNow say yes while an object lives or a lock is held. */
typedef struct PostoraClassFactoryVtbl
{
    PostoraResult (*QueryInterface)(PostoraClassFactory *self, const PostoraGuid *iid, void **object);
    uint32_t (*AddRef)(PostoraClassFactory *self);
    uint32_t (*Release)(PostoraClassFactory *self);
    PostoraResult (*CreateInstance)(PostoraClassFactory *self, void *outer, const PostoraGuid *iid, void **object);
    PostoraResult (*LockServer)(PostoraClassFactory *self, int32_t lock);
} PostoraClassFactoryVtbl;

struct PostoraClassFactory
{
    const PostoraClassFactoryVtbl *vtbl;
};

POSTORA_API PostoraResult DllGetClassObject(const PostoraGuid *clsid, const PostoraGuid *iid, void **object);
/* POSTORA_OK when no object is alive, the factory is not referenced and no lock is held, else
   POSTORA_FALSE. */
POSTORA_API PostoraResult DllCanUnloadNow(void);
POSTORA_API PostoraResult DllRegisterServer(void);
POSTORA_API PostoraResult DllUnregisterServer(void);
POSTORA_API void PostoraFreeString(uint16_t *text);

/* The exported names, for dlsym. */
typedef PostoraResult (*PostoraGetClassObjectFn)(const PostoraGuid *, const PostoraGuid *, void **);
typedef PostoraResult (*PostoraCanUnloadNowFn)(void);
typedef void (*PostoraFreeStringFn)(uint16_t *);

#ifdef __cplusplus
}
#endif

#endif
