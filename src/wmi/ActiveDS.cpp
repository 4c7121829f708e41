#include "wmi/ActiveDS.h"

#include "wmi/AdsErr.h"

namespace tarnwick::wmi {

namespace {

class TNoLibraryLoader : public IActiveDsLoader {
public:
    bool Load(const WideString&, TActiveDsEntryPoints&) override { return false; }
    void Unload() override {}
};

} // namespace

std::unique_ptr<IActiveDsLoader> CreatePlatformActiveDsLoader() {
    return std::make_unique<TNoLibraryLoader>();
}

TActiveDs& TActiveDs::Instance() {
    static TActiveDs instance;
    return instance;
}

TActiveDs::TActiveDs() {
    Reload(CreatePlatformActiveDsLoader());
}

TActiveDs::~TActiveDs() {
    std::lock_guard lock(FMutex);
    Unload();
}

void TActiveDs::Unload() {
    FEntryPoints = {};
    if (FLoaded && FLoader) FLoader->Unload();
    FLoaded = false;
}

std::unique_ptr<IActiveDsLoader> TActiveDs::Reload(std::unique_ptr<IActiveDsLoader> loader) {
    std::lock_guard lock(FMutex);
    Unload();
    std::unique_ptr<IActiveDsLoader> previous = std::move(FLoader);
    FLoader = std::move(loader);
    if (FLoader) {
        TActiveDsEntryPoints entryPoints;
        FLoaded = FLoader->Load(ActiveDsLibraryName, entryPoints);
        if (FLoaded) FEntryPoints = std::move(entryPoints);
    }
    return previous;
}

bool TActiveDs::Loaded() const {
    std::lock_guard lock(FMutex);
    return FLoaded;
}

TActiveDsEntryPoints TActiveDs::EntryPoints() const {
    std::lock_guard lock(FMutex);
    return FEntryPoints;
}

void TActiveDs::RaiseNotLoaded() {
    throw TAdsException(WideString(u"Cannot load library \"") + ActiveDsLibraryName +
                        u"\" or linked libraries");
}

HRESULT TActiveDs::ADsGetObject(const WideString& path, const IID& riid, void** ppObject) {
    auto entry = EntryPoints().ADsGetObject;
    if (!entry) RaiseNotLoaded();
    return entry(path, riid, ppObject);
}

HRESULT TActiveDs::ADsOpenObject(const WideString& path, const WideString& user, const WideString* password,
                                 std::uint32_t reserved, const IID& riid, void** ppObject) {
    auto entry = EntryPoints().ADsOpenObject;
    if (!entry) RaiseNotLoaded();
    return entry(path, user, password, reserved, riid, ppObject);
}

HRESULT TActiveDs::ADsBuildVarArrayStr(const std::vector<WideString>& texts, TVariant& result) {
    auto entry = EntryPoints().ADsBuildVarArrayStr;
    if (!entry) RaiseNotLoaded();
    return entry(texts, result);
}

} // namespace tarnwick::wmi
