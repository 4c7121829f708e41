#pragma once
// A query dataset on a connection to the fake scripting objects.

#include "dataset/WmiDataSet.h"
#include "fakes/FakeWbem.h"
#include "wmi/WmiUtil.h"

#include <gtest/gtest.h>

#include <memory>

namespace tarnwick::dataset::testing {

using fakes::Obj;
using fakes::Prop;
using namespace wmi;

class TDatasetFixture : public ::testing::Test {
protected:
    TDatasetFixture() {
        Connection = std::make_unique<TWmiConnection>();
        Query = std::make_unique<TWmiQuery>();
        Query->SetConnection(Connection.get());
    }
    ~TDatasetFixture() override {
        Query.reset();
        Connection.reset();
    }

    // Registers the rows for the text as the dataset sends it (with CR LF) and sets the WQL.
    void SetResult(const WideString& text, std::vector<fakes::TFakeObjectSpec> rows) {
        Wbem.AddQueryResult(text + u"\r\n", std::move(rows));
        Query->SetWQLText(text);
    }

    static WideString MessageOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const Exception& e) {
            return e.Message();
        }
        ADD_FAILURE() << "no error was raised";
        return {};
    }

    fakes::TFakeWbem Wbem;
    std::unique_ptr<TWmiConnection> Connection;
    std::unique_ptr<TWmiQuery> Query;
};

inline TVariant I4(std::int32_t v) {
    return TVariant(v);
}

} // namespace tarnwick::dataset::testing
