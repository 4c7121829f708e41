#include "FakeAds.h"

#include "platform/com/ComObject.h"

namespace tarnwick::fakes {

using com::TComPtr;
using com::TVariant;
using namespace wmi;

namespace {

template <class... I> class TFakeDispatch : public com::TComObject<I...> {
public:
    HRESULT GetTypeInfoCount(com::UINT*) override { return com::E_NOTIMPL; }
    HRESULT GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo**) override { return com::E_NOTIMPL; }
    HRESULT GetIDsOfNames(const com::IID&, const WideString*, com::UINT, com::LCID, com::DISPID*) override {
        return com::E_NOTIMPL;
    }
    HRESULT Invoke(com::DISPID, const com::IID&, com::LCID, com::WORD, com::DISPPARAMS*, TVariant*,
                   com::EXCEPINFO*, com::UINT*) override {
        return com::E_NOTIMPL;
    }
};

class TFakeAdsObject : public TFakeDispatch<IADs> {
public:
    TFakeAdsObject(TFakeAds& world, WideString name) : FWorld(world), FName(std::move(name)) {}
    HRESULT Get_Name(WideString* retval) override {
        *retval = FWorld.NameResult < 0 ? WideString() : FName;
        return FWorld.NameResult;
    }
    HRESULT Get_Class(WideString* retval) override { return NotHere(retval); }
    HRESULT Get_GUID(WideString* retval) override { return NotHere(retval); }
    HRESULT Get_ADsPath(WideString* retval) override { return NotHere(retval); }
    HRESULT Get_Parent(WideString* retval) override { return NotHere(retval); }
    HRESULT Get_Schema(WideString* retval) override { return NotHere(retval); }
    HRESULT GetInfo() override { return com::E_NOTIMPL; }
    HRESULT SetInfo() override { return com::E_NOTIMPL; }
    HRESULT Get(const WideString&, TVariant* v) override { return Clear(v); }
    HRESULT Put(const WideString&, const TVariant&) override { return com::E_NOTIMPL; }
    HRESULT GetEx(const WideString&, TVariant* v) override { return Clear(v); }
    HRESULT PutEx(com::LONG, const WideString&, const TVariant&) override { return com::E_NOTIMPL; }
    HRESULT GetInfoEx(const TVariant&, com::LONG) override { return com::E_NOTIMPL; }

private:
    static HRESULT NotHere(WideString* retval) {
        retval->clear();
        return com::E_NOTIMPL;
    }
    static HRESULT Clear(TVariant* v) {
        v->Clear();
        return com::E_NOTIMPL;
    }
    TFakeAds& FWorld;
    WideString FName;
};

class TFakeEnum : public com::TComObject<com::IEnumVARIANT> {
public:
    TFakeEnum(TFakeAds& world, std::vector<WideString> names) : FWorld(world), FNames(std::move(names)) {}
    HRESULT Next(com::ULONG celt, TVariant* rgVar, com::ULONG* fetched) override {
        *fetched = 0;
        for (com::ULONG i = 0; i < celt; ++i)
            rgVar[i].Clear();
        if (int(FPos) == FWorld.FailNextAt) return FWorld.NextFailure;
        if (celt != 1) return com::E_INVALIDARG;
        if (FPos >= FNames.size()) return com::S_FALSE;
        TComPtr<TFakeAdsObject> object = com::MakeCom<TFakeAdsObject>(FWorld, FNames[FPos++]);
        rgVar[0] = TVariant::FromDispatch(object.Get());
        *fetched = 1;
        return com::S_OK;
    }
    HRESULT Skip(com::ULONG) override { return com::E_NOTIMPL; }
    HRESULT Reset() override {
        FPos = 0;
        return com::S_OK;
    }
    HRESULT Clone(com::IEnumVARIANT** out) override {
        *out = nullptr;
        return com::E_NOTIMPL;
    }

private:
    TFakeAds& FWorld;
    std::vector<WideString> FNames;
    std::size_t FPos = 0;
};

class TFakeContainer : public TFakeDispatch<IADsContainer> {
public:
    TFakeContainer(TFakeAds& world, WideString path) : FWorld(world), FPath(std::move(path)) {}
    HRESULT Get_Count(com::LONG* retval) override {
        *retval = com::LONG(FWorld.Containers[FPath].size());
        return com::S_OK;
    }
    HRESULT Get__NewEnum(IUnknown** retval) override {
        TComPtr<TFakeEnum> e = com::MakeCom<TFakeEnum>(FWorld, FWorld.Containers[FPath]);
        return e->QueryInterface(IUnknown::iid, reinterpret_cast<void**>(retval));
    }
    HRESULT Get_Filter(TVariant* v) override {
        *v = FWorld.Filters.empty() ? TVariant() : FWorld.Filters.back();
        return com::S_OK;
    }
    HRESULT Set_Filter(const TVariant& v) override {
        FWorld.Filters.push_back(v);
        return FWorld.FilterResult;
    }
    HRESULT Get_Hints(TVariant* v) override {
        *v = FWorld.Hints.empty() ? TVariant() : FWorld.Hints.back();
        return com::S_OK;
    }
    HRESULT Set_Hints(const TVariant& v) override {
        FWorld.Hints.push_back(v);
        return FWorld.HintsResult;
    }
    HRESULT GetObject(const WideString&, const WideString&, IDispatch** out) override { return Nothing(out); }
    HRESULT Create(const WideString&, const WideString&, IDispatch** out) override { return Nothing(out); }
    HRESULT Delete(const WideString&, const WideString&) override { return com::E_NOTIMPL; }
    HRESULT CopyHere(const WideString&, const WideString&, IDispatch** out) override { return Nothing(out); }
    HRESULT MoveHere(const WideString&, const WideString&, IDispatch** out) override { return Nothing(out); }

private:
    static HRESULT Nothing(IDispatch** out) {
        *out = nullptr;
        return com::E_NOTIMPL;
    }
    TFakeAds& FWorld;
    WideString FPath;
};

class TFakeSystemInfo : public TFakeDispatch<IADsWinNTSystemInfo> {
public:
    explicit TFakeSystemInfo(TFakeAds& world) : FWorld(world) {}
    HRESULT Get_UserName(WideString* r) override { return Give(r, FWorld.UserName); }
    HRESULT Get_ComputerName(WideString* r) override { return Give(r, FWorld.ComputerName); }
    HRESULT Get_DomainName(WideString* r) override { return Give(r, FWorld.DomainName); }
    HRESULT Get_PDC(WideString* r) override {
        ++FWorld.PDCReads;
        return Give(r, FWorld.PDCName);
    }

private:
    static HRESULT Give(WideString* r, const WideString& value) {
        *r = value;
        return com::S_OK;
    }
    TFakeAds& FWorld;
};

class TFakeLoader : public IActiveDsLoader {
public:
    explicit TFakeLoader(TFakeAds& world) : FWorld(world) {}
    bool Load(const WideString& libraryName, TActiveDsEntryPoints& entry) override {
        if (libraryName != u"activeds.dll") return false;
        ++FWorld.Loads;
        TFakeAds* world = &FWorld;
        auto bind = [world](const WideString& path, const com::IID& riid, void** out) -> HRESULT {
            *out = nullptr;
            if (world->BindResult < 0) return world->BindResult;
            TComPtr<TFakeContainer> container = com::MakeCom<TFakeContainer>(*world, path);
            return container->QueryInterface(riid, out);
        };
        if (FWorld.ExportGetObject)
            entry.ADsGetObject = [world, bind](const WideString& path, const com::IID& riid, void** out) {
                world->BindCalls.push_back({u"ADsGetObject", path, {}, std::nullopt, 0});
                return bind(path, riid, out);
            };
        if (FWorld.ExportOpenObject)
            entry.ADsOpenObject = [world, bind](const WideString& path, const WideString& user,
                                                const WideString* password, std::uint32_t flags,
                                                const com::IID& riid, void** out) {
                world->BindCalls.push_back({u"ADsOpenObject", path, user,
                                            password ? std::optional<WideString>(*password) : std::nullopt,
                                            flags});
                return bind(path, riid, out);
            };
        if (FWorld.ExportBuildVarArrayStr)
            entry.ADsBuildVarArrayStr = [world](const std::vector<WideString>& texts, TVariant& result) {
                world->BuildVarArrayCalls.push_back(texts);
                std::vector<TVariant> elements(texts.begin(), texts.end());
                result = TVariant::Array(com::VT_VARIANT, std::move(elements));
                return com::S_OK;
            };
        return true;
    }
    void Unload() override { ++FWorld.Unloads; }

private:
    TFakeAds& FWorld;
};

} // namespace

TFakeAds::TFakeAds()
    : FSystemInfo(CLSID_WinNTSystemInfo, [this](const com::IID& riid, void** ppv) -> HRESULT {
          *ppv = nullptr;
          ++SystemInfoCreations;
          if (SystemInfoCreateResult < 0) return SystemInfoCreateResult;
          TComPtr<TFakeSystemInfo> info = com::MakeCom<TFakeSystemInfo>(*this);
          return info->QueryInterface(riid, ppv);
      }) {
    Reinstall();
}

TFakeAds::~TFakeAds() {
    FLoader.reset();
}

void TFakeAds::Reinstall() {
    FLoader.reset();
    FLoader.emplace(std::make_unique<TFakeLoader>(*this));
}

} // namespace tarnwick::fakes
