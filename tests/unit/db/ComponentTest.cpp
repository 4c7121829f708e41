// Ownership and free notification of components.

#include "db/Component.h"

#include <gtest/gtest.h>

#include <memory>

namespace tarnwick::db {
namespace {

class TWatcher : public TComponent {
public:
    using TComponent::TComponent;
    ~TWatcher() override { ++*Destroyed; }
    TComponent* Watched = nullptr;
    int* Destroyed = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        if (operation == TOperation::opRemove && component == Watched) Watched = nullptr;
    }
};

TEST(DbComponent, OwnerDestroysItsComponents) {
    int destroyed = 0;
    auto owner = std::make_unique<TComponent>();
    auto* child = new TWatcher(owner.get()); // owned by owner from this line on
    child->Destroyed = &destroyed;
    owner.reset();
    EXPECT_EQ(destroyed, 1);
}

TEST(DbComponent, FreeNotificationClearsTheReferenceEitherWay) {
    int destroyed = 0;
    auto watcher = std::make_unique<TWatcher>();
    watcher->Destroyed = &destroyed;
    {
        auto watched = std::make_unique<TComponent>();
        watcher->Watched = watched.get();
        watcher->FreeNotification(watched.get());
    }
    EXPECT_EQ(watcher->Watched, nullptr);

    // The watcher going first leaves nothing dangling in the other.
    auto other = std::make_unique<TComponent>();
    watcher->FreeNotification(other.get());
    watcher.reset();
    other.reset(); // would touch the freed watcher if the link survived
    EXPECT_EQ(destroyed, 1);
}

} // namespace
} // namespace tarnwick::db
