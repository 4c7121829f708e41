#pragma once
// Small interfaces and a counted object for the tests of the COM stand-in. The
// object reports its destruction through a flag the test owns.

#include "platform/com/ComObject.h"

namespace tarnwick::com::testing {

struct IShape : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid = MakeGuid("6A1C3D10-0000-4000-8000-000000000001");
    virtual int Sides() = 0;
};

// Derived interface: asking for IShape must find it through IPolygon.
struct IPolygon : IShape {
    using Base = IShape;
    static constexpr IID iid = MakeGuid("6A1C3D10-0000-4000-8000-000000000002");
    virtual int Corners() = 0;
};

struct INamed : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid = MakeGuid("6A1C3D10-0000-4000-8000-000000000003");
    virtual WideString Name() = 0;
};

// Declared by nobody.
struct IMissing : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid = MakeGuid("6A1C3D10-0000-4000-8000-000000000004");
};

class TSquare : public TComObject<IPolygon, INamed> {
public:
    TSquare() = default;
    explicit TSquare(bool* destroyed) : FDestroyed(destroyed) {}
    ~TSquare() override {
        if (FDestroyed) *FDestroyed = true;
    }
    int Sides() override { return 4; }
    int Corners() override { return 4; }
    WideString Name() override { return u"square"; }

private:
    bool* FDestroyed = nullptr;
};

class TTriangle : public TComObject<IShape> {
public:
    int Sides() override { return 3; }
};

} // namespace tarnwick::com::testing
