// Tests of the signal/slot facility: emission order, disconnection and lifetimes.
#include "ui/sigslot.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

using Signal = sigslot::signal0<>;
using Toggled = sigslot::signal1<bool>;

// A target that writes its name (and argument) to a shared journal, then runs its action.
class Slot : public sigslot::has_slots<> {
public:
    Slot(std::string &journal, std::string name) : name(std::move(name)), journal(&journal) {}
    void clicked() {
        *journal += name;
        if (action)
            action();
    }
    void toggled(bool checked) { *journal += name + (checked ? "+" : "-"); }

    std::string name;
    std::function<void()> action;

private:
    std::string *journal;
};

// One signal and three targets; b lives on the heap so that a test may destroy it.
class SigslotTest : public ::testing::Test {
public:
    void connect(std::initializer_list<Slot *> targets) {
        for (Slot *target : targets)
            signal.connect(target, &Slot::clicked);
    }

    std::string journal;
    Signal signal;
    Slot a{journal, "a"};
    std::unique_ptr<Slot> b = std::make_unique<Slot>(journal, "b");
    Slot c{journal, "c"};
};

// A disconnect that left the target unaware of its remaining connection once let the target's
// destruction leave that connection dangling.
TEST_F(SigslotTest, CallsInConnectionOrderUntilDisconnectOrTheTargetsDestruction) {
    Toggled toggled;
    connect({b.get(), b.get(), &a});
    toggled.connect(b.get(), &Slot::toggled);
    toggled.connect(&a, &Slot::toggled);
    signal.disconnect(&c); // never connected: changes nothing
    signal.emit();
    signal.disconnect(b.get());
    signal();
    b.reset();
    signal();
    toggled.emit(false);
    EXPECT_EQ(journal, "bbabaaa-");
}

} // namespace
