#include "unit/com/TestObjects.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace tarnwick::com::testing {
namespace {

// A square held by one TComPtr, with its destruction observed.
class ComObjectTest : public ::testing::Test {
protected:
    bool FDestroyed = false;
    TComPtr<TSquare> FSquare = MakeCom<TSquare>(&FDestroyed);
};

TEST_F(ComObjectTest, MakeComHoldsTheOnlyReference) {
    EXPECT_EQ(FSquare->RefCount(), 1u);
    FSquare.Reset();
    EXPECT_TRUE(FDestroyed);
}

TEST_F(ComObjectTest, QueryInterfaceAnswersDeclaredInterfacesAndTheirBases) {
    const IID* iids[] = {&IUnknown::iid, &IShape::iid, &IPolygon::iid, &INamed::iid};
    for (const IID* iid : iids) {
        SCOPED_TRACE(iid->Data4[7]);
        void* p = nullptr;
        ASSERT_EQ(FSquare->QueryInterface(*iid, &p), S_OK);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(FSquare->RefCount(), 2u) << "a successful QueryInterface counts a reference";
        static_cast<IUnknown*>(p)->Release();
        EXPECT_EQ(FSquare->RefCount(), 1u);
    }
}

TEST_F(ComObjectTest, EachInterfacePointerWorksAsItsOwnType) {
    TComPtr<IShape> shape = FSquare.As<IShape>();
    TComPtr<INamed> named = FSquare.As<INamed>();
    ASSERT_TRUE(shape && named);
    EXPECT_EQ(shape->Sides(), 4);
    EXPECT_EQ(named->Name(), u"square");
    EXPECT_EQ(FSquare.As<IPolygon>()->Corners(), 4);
}

TEST_F(ComObjectTest, IUnknownIsTheSameFromEveryInterface) {
    TComPtr<IUnknown> viaPolygon = FSquare.As<IPolygon>().As<IUnknown>();
    TComPtr<IUnknown> viaNamed = FSquare.As<INamed>().As<IUnknown>();
    ASSERT_TRUE(viaPolygon);
    EXPECT_EQ(viaPolygon.Get(), viaNamed.Get());
}

TEST_F(ComObjectTest, UnknownInterfaceIsRefusedWithTheCountUnchanged) {
    for (const IID* iid : {&IMissing::iid, &IDispatch::iid, &IEnumVARIANT::iid}) {
        void* p = reinterpret_cast<void*>(0x1); // must be cleared
        EXPECT_EQ(FSquare->QueryInterface(*iid, &p), E_NOINTERFACE);
        EXPECT_EQ(p, nullptr);
        EXPECT_EQ(FSquare->RefCount(), 1u);
    }
    EXPECT_EQ(FSquare->QueryInterface(IShape::iid, nullptr), E_POINTER);
    EXPECT_EQ(FSquare->RefCount(), 1u);
}

TEST_F(ComObjectTest, AddRefAndReleaseReturnTheNewCountAndTheLastReleaseDeletes) {
    TSquare* raw = FSquare.Detach(); // count stays 1, now owned by hand
    EXPECT_EQ(raw->AddRef(), 2u);
    EXPECT_EQ(raw->Release(), 1u);
    EXPECT_FALSE(FDestroyed);
    EXPECT_EQ(raw->Release(), 0u);
    EXPECT_TRUE(FDestroyed);
}

TEST_F(ComObjectTest, CountIsAtomicAcrossThreads) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([square = FSquare.Get()] {
            for (int i = 0; i < kRounds; ++i) {
                TComPtr<IShape> copy(square); // AddRef
                TComPtr<IShape> moved(std::move(copy));
            } // Release
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(FSquare->RefCount(), 1u);
    EXPECT_FALSE(FDestroyed);
    FSquare.Reset();
    EXPECT_TRUE(FDestroyed);
}

// TComPtr ---------------------------------------------------------------------

TEST_F(ComObjectTest, ComPtrCopyCountsMoveTransfers) {
    TComPtr<TSquare> copy = FSquare;
    EXPECT_EQ(FSquare->RefCount(), 2u);
    EXPECT_EQ(copy, FSquare);

    TComPtr<TSquare> moved = std::move(copy);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(FSquare->RefCount(), 2u);

    TComPtr<TSquare> assigned;
    assigned = moved; // copy assignment
    EXPECT_EQ(FSquare->RefCount(), 3u);
    assigned = std::move(moved); // move assignment onto a holder of the same object
    EXPECT_EQ(moved, nullptr);
    EXPECT_EQ(FSquare->RefCount(), 2u);

    auto& self = assigned;
    assigned = self; // self-assignment keeps the count
    EXPECT_EQ(FSquare->RefCount(), 2u);

    assigned = nullptr;
    EXPECT_EQ(FSquare->RefCount(), 1u);
    EXPECT_FALSE(FDestroyed);
}

TEST_F(ComObjectTest, ComPtrConvertsToABaseInterface) {
    TComPtr<IPolygon> polygon = FSquare.As<IPolygon>();
    TComPtr<IShape> shape = polygon; // copy conversion
    EXPECT_EQ(FSquare->RefCount(), 3u);
    TComPtr<IShape> taken = std::move(polygon); // move conversion
    EXPECT_EQ(polygon, nullptr);
    EXPECT_EQ(FSquare->RefCount(), 3u);
    EXPECT_EQ(taken->Sides(), 4);
}

TEST_F(ComObjectTest, AsReturnsEmptyForAMissingInterface) {
    TComPtr<IMissing> missing = FSquare.As<IMissing>();
    EXPECT_FALSE(missing);
    EXPECT_EQ(FSquare->RefCount(), 1u);

    TComPtr<IMissing> out;
    EXPECT_EQ(FSquare.As(out), E_NOINTERFACE);
    EXPECT_FALSE(out);
    TComPtr<INamed> named;
    EXPECT_EQ(FSquare.As(named), S_OK);
    EXPECT_EQ(FSquare->RefCount(), 2u);
}

TEST_F(ComObjectTest, AsOnAnEmptyPointer) {
    TComPtr<IShape> empty;
    EXPECT_FALSE(empty.As<IShape>());
    TComPtr<IShape> out = FSquare.As<IShape>();
    EXPECT_EQ(empty.As(out), E_POINTER);
    EXPECT_FALSE(out) << "the result is emptied, and its old reference released";
    EXPECT_EQ(FSquare->RefCount(), 1u);
}

TEST_F(ComObjectTest, PutReleasesTheOldReferenceAndTakesTheOutParameter) {
    TComPtr<IShape> shape = FSquare.As<IShape>();
    EXPECT_EQ(FSquare->RefCount(), 2u);
    IShape** slot = shape.Put();
    EXPECT_EQ(FSquare->RefCount(), 1u);
    EXPECT_EQ(*slot, nullptr);
    // An operation fills the slot with a counted reference; the holder owns it.
    ASSERT_EQ(FSquare->QueryInterface(IShape::iid, reinterpret_cast<void**>(slot)), S_OK);
    EXPECT_EQ(FSquare->RefCount(), 2u);
    ASSERT_EQ(FSquare->QueryInterface(IShape::iid, shape.PutVoid()), S_OK);
    EXPECT_EQ(FSquare->RefCount(), 2u) << "PutVoid released the previous reference";
    shape.Reset();
    EXPECT_EQ(FSquare->RefCount(), 1u);
}

TEST_F(ComObjectTest, AttachAndDetachDoNotCount) {
    TComPtr<IShape> shape = FSquare.As<IShape>();
    IShape* raw = shape.Detach();
    EXPECT_FALSE(shape);
    EXPECT_EQ(FSquare->RefCount(), 2u);
    TComPtr<IShape> again;
    again.Attach(raw);
    EXPECT_EQ(FSquare->RefCount(), 2u);
    again.Attach(nullptr); // releases what it held
    EXPECT_EQ(FSquare->RefCount(), 1u);
}

TEST(ComPtr, RawPointerConstructorCountsAndNullIsSafe) {
    TComPtr<IShape> empty(static_cast<IShape*>(nullptr));
    EXPECT_FALSE(empty);
    empty.Reset();
    EXPECT_EQ(empty.Detach(), nullptr);

    bool destroyed = false;
    {
        TComPtr<TSquare> owner = MakeCom<TSquare>(&destroyed);
        TComPtr<INamed> second(static_cast<INamed*>(owner.Get()));
        EXPECT_EQ(owner->RefCount(), 2u);
        owner.Reset();
        EXPECT_FALSE(destroyed) << "the second holder keeps it alive";
    }
    EXPECT_TRUE(destroyed);
}

} // namespace
} // namespace tarnwick::com::testing
