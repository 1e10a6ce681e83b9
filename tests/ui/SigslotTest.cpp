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

// A slot holder that writes its name (and argument) to a shared journal, then runs its action.
class Slot : public sigslot::has_slots<> {
public:
    Slot(std::string &journal, std::string name) : name(std::move(name)), journal(&journal) {}

    void clicked() {
        *journal += name;
        if (action)
            action();
    }
    void toggled(bool checked) { *journal += name + (checked ? "+" : "-"); }
    void edited(const std::string &text) { *journal += name + "=" + text + ";"; }

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

TEST_F(SigslotTest, CallsEveryConnectionInConnectionOrderWithTheArgument) {
    Toggled toggled;
    sigslot::signal1<const std::string &> edited;
    signal();
    toggled(true);
    connect({&c, &a});
    toggled.connect(&a, &Slot::toggled);
    edited.connect(&a, &Slot::edited);
    signal.emit();
    toggled(true);
    toggled.emit(false);
    edited(std::string("anna"));
    EXPECT_EQ(journal, "caa+a-a=anna;");
}

// A disconnect that left the target unaware of its remaining connection once let the target's
// destruction leave that connection dangling.
TEST_F(SigslotTest, DisconnectRemovesOneConnectionAndTheTargetsDestructionAllOfThem) {
    Toggled toggled;
    connect({b.get(), b.get(), &a});
    toggled.connect(b.get(), &Slot::toggled);
    signal.disconnect(&c); // never connected: changes nothing
    signal();
    EXPECT_EQ(journal, "bba");
    signal.disconnect(b.get());
    signal();
    EXPECT_EQ(journal, "bbaba");
    b.reset();
    signal();
    toggled(true);
    EXPECT_EQ(journal, "bbabaa");
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
    // A connection made during an emission waits for the next one.
    {"Connects", [](SigslotTest &t) { t.connect({&t.c}); }, "abcabcc"},
    {"EmitsAgain",
     [](SigslotTest &t) {
         if (t.journal == "a")
             t.signal();
     },
     "aabcbcabc"},
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

// The target outlives these signals; its destruction must not reach them.
TEST_F(SigslotTest, DestroyedOrClearedSignalsLeaveTheTargetSafe) {
    {
        Signal gone;
        Toggled toggled;
        gone.connect(&a, &Slot::clicked);
        toggled.connect(&a, &Slot::toggled);
    }
    Signal cleared;
    cleared.connect(&a, &Slot::clicked);
    cleared.disconnect_all();
    cleared();
    connect({&a});
    signal();
    EXPECT_EQ(journal, "a");
}

TEST_F(SigslotTest, CopyingATargetDuplicatesItsConnectionsUntilTheCopyGoes) {
    Toggled toggled;
    connect({&a});
    toggled.connect(&a, &Slot::toggled);
    {
        Slot copy(a);
        copy.name = "x";
        signal();
        toggled(true);
        EXPECT_EQ(journal, "axa+x+");
    }
    journal.clear();
    signal();
    EXPECT_EQ(journal, "a");
}

// A copied signal must be known to the targets too, or a target's destruction leaves it dangling.
TEST_F(SigslotTest, CopiedSignalOutlivesTheOriginalAndForgetsADestroyedTarget) {
    auto original = std::make_unique<Signal>();
    original->connect(b.get(), &Slot::clicked);
    Signal copy(*original);
    original.reset();
    copy();
    b.reset();
    copy();
    EXPECT_EQ(journal, "b");
}

} // namespace
