#include "platform/com/ClassRegistry.h"

#include <map>
#include <mutex>

namespace tarnwick::com {
namespace {

struct Store {
    std::mutex Lock;
    std::map<CLSID, TClassFactory> Classes;
};

Store& TheStore() {
    static Store store;
    return store;
}

} // namespace

TClassRegistry& TClassRegistry::Instance() {
    static TClassRegistry registry;
    return registry;
}

void TClassRegistry::Register(const CLSID& clsid, TClassFactory factory) {
    std::lock_guard lock(TheStore().Lock);
    if (factory)
        TheStore().Classes[clsid] = std::move(factory);
    else
        TheStore().Classes.erase(clsid);
}

void TClassRegistry::Unregister(const CLSID& clsid) {
    Register(clsid, nullptr);
}

bool TClassRegistry::IsRegistered(const CLSID& clsid) const {
    return static_cast<bool>(Find(clsid));
}

TClassFactory TClassRegistry::Find(const CLSID& clsid) const {
    std::lock_guard lock(TheStore().Lock);
    auto it = TheStore().Classes.find(clsid);
    return it == TheStore().Classes.end() ? TClassFactory() : it->second;
}

TScopedClassRegistration::TScopedClassRegistration(const CLSID& clsid, TClassFactory factory)
    : FClsid(clsid), FPrevious(TClassRegistry::Instance().Find(clsid)) {
    TClassRegistry::Instance().Register(clsid, std::move(factory));
}

TScopedClassRegistration::~TScopedClassRegistration() {
    TClassRegistry::Instance().Register(FClsid, FPrevious);
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD /*clsContext*/, const IID& riid,
                         void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    TClassFactory factory = TClassRegistry::Instance().Find(clsid);
    if (!factory) return REGDB_E_CLASSNOTREG;
    return factory(riid, ppv);
}

} // namespace tarnwick::com
