#pragma once
// Pieces shared by the files of the fake scripting objects: the counted base, the
// enumerator and the object factory. Not for tests to include.

#include "fakes/FakeWbem.h"
#include "platform/com/ComObject.h"

#include <atomic>

namespace tarnwick::fakes::detail {

using namespace tarnwick::wmi;
using com::E_NOTIMPL;
using com::IDispatch;
using com::IUnknown;
using com::S_FALSE;
using com::S_OK;
using com::TComPtr;
using com::ULONG;

extern std::atomic<int> gLive;
inline constexpr HRESULT kNotFound = com::Hr(0x80041002);
inline constexpr HRESULT kInvalidClass = com::Hr(0x80041010);

// Common base: counted for leak checks; dispatch by name is not offered.
template <class... I> class TFake : public com::TComObject<I...> {
public:
    TFake() { ++gLive; }
    ~TFake() override { --gLive; }
    HRESULT GetTypeInfoCount(com::UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const com::IID&, const WideString*, com::UINT, com::LCID, com::DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT Invoke(com::DISPID, const com::IID&, com::LCID, com::WORD, com::DISPPARAMS*, TVariant*,
                   com::EXCEPINFO*, com::UINT*) override {
        return E_NOTIMPL;
    }
};

template <class T> TVariant AsDispatchVariant(const TComPtr<T>& object) {
    return TVariant::FromDispatch(object.Get());
}

// An enumerator over a list of values made on demand.
class TFakeEnum : public com::TComObject<IEnumVARIANT> {
public:
    TFakeEnum(std::vector<TVariant> values, TFakeWbem* world, bool countRows)
        : FValues(std::move(values)), FWorld(world), FCountRows(countRows) {
        ++gLive;
    }
    ~TFakeEnum() override { --gLive; }
    HRESULT Next(ULONG celt, TVariant* rgVar, ULONG* pCeltFetched) override {
        if (pCeltFetched) *pCeltFetched = 0;
        ULONG fetched = 0;
        for (; fetched < celt; ++fetched) {
            if (FCountRows) {
                ++FWorld->NextCalls;
                if (static_cast<int>(FIndex) == FWorld->FailNextAtRow) return FWorld->NextFailure;
            }
            if (FIndex >= FValues.size()) break;
            rgVar[fetched] = FValues[FIndex++];
        }
        if (pCeltFetched) *pCeltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG celt) override {
        FIndex += celt;
        return FIndex <= FValues.size() ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        FIndex = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumVARIANT** ppEnum) override {
        *ppEnum = nullptr;
        return E_NOTIMPL;
    }

private:
    std::vector<TVariant> FValues;
    TFakeWbem* FWorld;
    bool FCountRows;
    std::size_t FIndex = 0;
};

// A new fake object over a copy of the declared object, answering ISWbemObject.
TComPtr<ISWbemObject> MakeFakeObject(const TFakeObjectSpec& spec, TFakeWbem* world);

} // namespace tarnwick::fakes::detail
