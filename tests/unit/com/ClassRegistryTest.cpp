#include "platform/com/ClassRegistry.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/ErrorInfo.h"
#include "unit/com/TestObjects.h"

#include <gtest/gtest.h>

#include <thread>

namespace tarnwick::com::testing {
namespace {

constexpr CLSID kShapeClass = MakeGuid("6A1C3D10-0000-4000-8000-0000000000C1");
constexpr CLSID kNobodysClass = MakeGuid("6A1C3D10-0000-4000-8000-0000000000C2");

TEST(MakeGuid, ReadsTheRegistryForm) {
    constexpr GUID g = MakeGuid("76A6415B-CB41-11D1-8B02-00600806D9B6");
    EXPECT_EQ(g.Data1, 0x76A6415Bu);
    EXPECT_EQ(g.Data2, 0xCB41u);
    EXPECT_EQ(g.Data3, 0x11D1u);
    const std::uint8_t tail[8] = {0x8B, 0x02, 0x00, 0x60, 0x08, 0x06, 0xD9, 0xB6};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(g.Data4[i], tail[i]) << i;
    EXPECT_EQ(g, MakeGuid("76a6415b-cb41-11d1-8b02-00600806d9b6")) << "hex digits in either case";
    EXPECT_FALSE(g == kShapeClass);
    EXPECT_TRUE(kShapeClass < kNobodysClass);
}

TEST(CoCreateInstance, UnregisteredClassAnswersClassNotRegistered) {
    ASSERT_FALSE(TClassRegistry::Instance().IsRegistered(kNobodysClass));
    void* p = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CoCreateInstance(kNobodysClass, nullptr, CLSCTX_ALL, IShape::iid, &p), Hr(0x80040154));
    EXPECT_EQ(p, nullptr);
    TComPtr<IShape> shape;
    EXPECT_EQ(CoCreateInstance(kNobodysClass, CLSCTX_INPROC_SERVER, shape), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(shape);
}

TEST(CoCreateInstance, RegisteredClassMakesANewObjectPerCall) {
    TScopedClassRegistration reg(kShapeClass, FactoryOf<TSquare>());
    TComPtr<IShape> a, b;
    ASSERT_EQ(CoCreateInstance(kShapeClass, CLSCTX_ALL, a), S_OK);
    ASSERT_EQ(CoCreateInstance(kShapeClass, CLSCTX_ALL, b), S_OK);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a.Get(), b.Get());
    EXPECT_EQ(a->Sides(), 4);
    EXPECT_EQ(static_cast<TSquare*>(a.Get())->RefCount(), 1u) << "the caller holds the only reference";
}

TEST(CoCreateInstance, RefusesAggregationAndANullOutParameter) {
    TScopedClassRegistration reg(kShapeClass, FactoryOf<TSquare>());
    TComPtr<TSquare> outer = MakeCom<TSquare>();
    void* p = nullptr;
    EXPECT_EQ(CoCreateInstance(kShapeClass, static_cast<IPolygon*>(outer.Get()), CLSCTX_ALL, IShape::iid, &p),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(CoCreateInstance(kShapeClass, nullptr, CLSCTX_ALL, IShape::iid, nullptr), E_POINTER);
}

// A factory whose class lacks the interface asked for: the new object must not leak.
TEST(CoCreateInstance, MissingInterfaceFreesTheNewObject) {
    static bool destroyed;
    destroyed = false;
    TScopedClassRegistration reg(kShapeClass, [](const IID& riid, void** ppv) {
        TComPtr<TSquare> object = MakeCom<TSquare>(&destroyed);
        return object->QueryInterface(riid, ppv);
    });
    TComPtr<IMissing> missing;
    EXPECT_EQ(CoCreateInstance(kShapeClass, CLSCTX_ALL, missing), E_NOINTERFACE);
    EXPECT_FALSE(missing);
    EXPECT_TRUE(destroyed);
}

TEST(TScopedClassRegistration, RestoresThePreviousFactory) {
    auto sides = [] {
        TComPtr<IShape> shape;
        HRESULT hr = CoCreateInstance(kShapeClass, CLSCTX_ALL, shape);
        return Succeeded(hr) ? shape->Sides() : hr;
    };
    ASSERT_EQ(sides(), REGDB_E_CLASSNOTREG);
    {
        TScopedClassRegistration outer(kShapeClass, FactoryOf<TTriangle>());
        EXPECT_EQ(sides(), 3);
        {
            TScopedClassRegistration inner(kShapeClass, FactoryOf<TSquare>());
            EXPECT_EQ(sides(), 4);
        }
        EXPECT_EQ(sides(), 3) << "the outer fake is back";
    }
    EXPECT_EQ(sides(), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(TClassRegistry::Instance().IsRegistered(kShapeClass));
}

TEST(TClassRegistry, RegisterReplacesAndUnregisterRemoves) {
    auto& registry = TClassRegistry::Instance();
    registry.Register(kShapeClass, FactoryOf<TTriangle>());
    EXPECT_TRUE(registry.IsRegistered(kShapeClass));
    registry.Register(kShapeClass, FactoryOf<TSquare>());
    TComPtr<IShape> shape;
    ASSERT_EQ(CoCreateInstance(kShapeClass, CLSCTX_ALL, shape), S_OK);
    EXPECT_EQ(shape->Sides(), 4);
    registry.Unregister(kShapeClass);
    EXPECT_FALSE(registry.IsRegistered(kShapeClass));
    EXPECT_FALSE(registry.Find(kShapeClass));
    registry.Register(kShapeClass, nullptr); // an empty factory registers nothing
    EXPECT_FALSE(registry.IsRegistered(kShapeClass));
}

TEST(ComRuntime, CallsSucceedAndAreTraced) {
    ResetComRuntimeTrace();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(CoInitializeSecurity(nullptr, RPC_C_AUTHN_DEFAULT_LIST, nullptr, nullptr,
                                   RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE,
                                   nullptr),
              S_OK);
    CoUninitialize();
    TComRuntimeTrace trace = ComRuntimeTrace();
    EXPECT_EQ(trace.InitializeCalls, 1);
    EXPECT_EQ(trace.LastCoInit, COINIT_MULTITHREADED);
    EXPECT_EQ(trace.SecurityCalls, 1);
    EXPECT_EQ(trace.LastAuthServiceCount, -1);
    EXPECT_EQ(trace.LastImpLevel, 3u);
    EXPECT_TRUE(trace.LastPointersNull);
    EXPECT_EQ(trace.UninitializeCalls, 1);
    ResetComRuntimeTrace();
    EXPECT_EQ(ComRuntimeTrace().InitializeCalls, 0);
}

TEST(ErrorInfo, TakeClearsAndEachThreadHasItsOwn) {
    SetErrorInfo(u"first failure");
    std::thread([] { EXPECT_EQ(TakeErrorInfo(), u""); }).join();
    EXPECT_EQ(TakeErrorInfo(), u"first failure");
    EXPECT_EQ(TakeErrorInfo(), u"");
    SetErrorInfo(u"second");
    ClearErrorInfo();
    EXPECT_EQ(TakeErrorInfo(), u"");
}

} // namespace
} // namespace tarnwick::com::testing
