// Tests of the signal/slot facility: emission order, changes during emission, and lifetimes.
#include "ui/sigslot.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
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

// What a's slot does to the signal a, b, c while it is being emitted (twice).
struct EmissionCase {
    const char *name;
    void (*action)(SigslotTest &);
    const char *expected; // "!" marks an exception out of an emission
};

class ChangeDuringEmissionTest : public SigslotTest,
                                 public ::testing::WithParamInterface<EmissionCase> {};

TEST_P(ChangeDuringEmissionTest, LeavesTheRestOfTheEmissionIntact) {
    connect({&a, b.get(), &c});
    a.action = [this] { GetParam().action(*this); };
    for (int emission = 0; emission < 2; ++emission) {
        try {
            signal();
        } catch (const std::runtime_error &) {
            journal += "!";
        }
    }
    EXPECT_EQ(journal, GetParam().expected);
}

const EmissionCase emissionCases[] = {
    {"DisconnectsItself", [](SigslotTest &t) { t.signal.disconnect(&t.a); }, "abcbc"},
    {"DisconnectsTheNext", [](SigslotTest &t) { t.signal.disconnect(t.b.get()); }, "acac"},
    {"DestroysTheNext", [](SigslotTest &t) { t.b.reset(); }, "acac"},
    // A connection made during an emission first runs in the next one.
    {"ConnectsAnother", [](SigslotTest &t) { t.signal.connect(&t.c, &Slot::clicked); }, "abcabcc"},
    {"DisconnectsTheNextAndThrows",
     [](SigslotTest &t) {
         if (t.journal == "a") {
             t.signal.disconnect(t.b.get());
             throw std::runtime_error("handler failed");
         }
     },
     "a!ac"},
};

INSTANTIATE_TEST_SUITE_P(Slots, ChangeDuringEmissionTest, ::testing::ValuesIn(emissionCases),
                         [](const auto &info) { return std::string(info.param.name); });

// The target outlives these signals; their destruction or clearing must not reach it later.
TEST_F(SigslotTest, DestroyedOrClearedSignalsLeaveTheTargetSafe) {
    {
        Signal gone;
        gone.connect(&a, &Slot::clicked);
    }
    Signal cleared;
    cleared.connect(&a, &Slot::clicked);
    cleared.disconnect_all();
    cleared();
    connect({&a});
    signal();
    EXPECT_EQ(journal, "a");
}

// Copies must be known on both sides, or a later destruction leaves a connection dangling.
TEST_F(SigslotTest, CopiesOfSignalsAndTargetsStayConnectedUntilTheyGo) {
    auto original = std::make_unique<Signal>();
    original->connect(b.get(), &Slot::clicked);
    {
        Slot copy(*b);
        copy.name = "x";
        (*original)();
    }
    Signal copy(*original);
    original.reset();
    copy();
    b.reset();
    copy();
    EXPECT_EQ(journal, "bxb");
}

} // namespace
