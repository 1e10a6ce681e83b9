// Tests of the signal/slot facility: emission order, changes during emission, and lifetimes.
#include "ui/sigslot.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Signal = sigslot::signal0<>;

// A slot holder that records its calls in a shared journal.
class Recorder : public sigslot::has_slots<> {
public:
    Recorder(std::vector<std::string> &journal, std::string name)
        : journal(&journal), name(std::move(name)) {}
    Recorder(const Recorder &) = default;

    void clicked() { journal->push_back(name); }
    void toggled(bool checked) { journal->push_back(name + (checked ? ":on" : ":off")); }
    void edited(const std::string &text) { journal->push_back(name + ":" + text); }

    void rename(std::string newName) { name = std::move(newName); }

private:
    std::vector<std::string> *journal;
    std::string name;
};

// A slot holder that runs a scripted action when called, to change the signal mid-emission.
class Actor : public sigslot::has_slots<> {
public:
    explicit Actor(std::vector<std::string> &journal, std::string name)
        : journal(journal), name(std::move(name)) {}
    void act() {
        journal.push_back(name);
        if (action)
            action();
    }
    std::function<void()> action;

private:
    std::vector<std::string> &journal;
    std::string name;
};

using Journal = std::vector<std::string>;

TEST(SigslotTest, EmittingWithoutConnectionsDoesNothing) {
    Signal signal;
    signal.emit();
    signal();
    sigslot::signal1<bool> toggled;
    toggled(true);
}

TEST(SigslotTest, CallsEveryConnectionInConnectionOrder) {
    Journal journal;
    Recorder first(journal, "first"), second(journal, "second");
    Signal signal;
    signal.connect(&second, &Recorder::clicked);
    signal.connect(&first, &Recorder::clicked);
    signal();
    EXPECT_EQ(journal, (Journal{"second", "first"}));
}

TEST(SigslotTest, PassesTheArgumentToOneArgumentSlots) {
    Journal journal;
    Recorder box(journal, "box");
    sigslot::signal1<bool> toggled;
    sigslot::signal1<const std::string &> edited;
    toggled.connect(&box, &Recorder::toggled);
    edited.connect(&box, &Recorder::edited);
    toggled(true);
    toggled.emit(false);
    edited(std::string("anna"));
    EXPECT_EQ(journal, (Journal{"box:on", "box:off", "box:anna"}));
}

TEST(SigslotTest, ConnectingTwiceCallsTwiceAndDisconnectRemovesOne) {
    Journal journal;
    Recorder target(journal, "target");
    Signal signal;
    signal.connect(&target, &Recorder::clicked);
    signal.connect(&target, &Recorder::clicked);
    signal();
    EXPECT_EQ(journal.size(), 2u);
    signal.disconnect(&target);
    signal();
    EXPECT_EQ(journal.size(), 3u);
    signal.disconnect(&target);
    signal();
    EXPECT_EQ(journal.size(), 3u);
}

TEST(SigslotTest, TargetWithARemainingConnectionStillDisconnectsWhenDestroyed) {
    Journal journal;
    Signal signal;
    {
        Recorder target(journal, "target");
        signal.connect(&target, &Recorder::clicked);
        signal.connect(&target, &Recorder::clicked);
        signal.disconnect(&target);
    }
    // The remaining connection went with the target; calling it would reach a destroyed object.
    signal();
    EXPECT_TRUE(journal.empty());
}

TEST(SigslotTest, DisconnectingAnUnconnectedTargetChangesNothing) {
    Journal journal;
    Recorder connected(journal, "connected"), stranger(journal, "stranger");
    Signal signal;
    signal.connect(&connected, &Recorder::clicked);
    signal.disconnect(&stranger);
    signal();
    EXPECT_EQ(journal, (Journal{"connected"}));
}

TEST(SigslotTest, ASlotMayDisconnectItselfDuringEmission) {
    Journal journal;
    Actor quitter(journal, "quitter");
    Recorder after(journal, "after");
    Signal signal;
    quitter.action = [&] { signal.disconnect(&quitter); };
    signal.connect(&quitter, &Actor::act);
    signal.connect(&after, &Recorder::clicked);
    signal();
    signal();
    EXPECT_EQ(journal, (Journal{"quitter", "after", "after"}));
}

TEST(SigslotTest, ASlotMayDisconnectTheNextTargetDuringEmission) {
    Journal journal;
    Actor first(journal, "first");
    Recorder second(journal, "second"), third(journal, "third");
    Signal signal;
    first.action = [&] { signal.disconnect(&second); };
    signal.connect(&first, &Actor::act);
    signal.connect(&second, &Recorder::clicked);
    signal.connect(&third, &Recorder::clicked);
    signal();
    EXPECT_EQ(journal, (Journal{"first", "third"}));
}

TEST(SigslotTest, ASlotMayDestroyAnotherTargetDuringEmission) {
    Journal journal;
    Actor destroyer(journal, "destroyer");
    auto victim = std::make_unique<Recorder>(journal, "victim");
    Signal signal;
    destroyer.action = [&] { victim.reset(); };
    signal.connect(&destroyer, &Actor::act);
    signal.connect(victim.get(), &Recorder::clicked);
    signal();
    signal();
    EXPECT_EQ(journal, (Journal{"destroyer", "destroyer"}));
}

TEST(SigslotTest, ASlotConnectedDuringEmissionIsCalledFromTheNextEmission) {
    Journal journal;
    Actor connector(journal, "connector");
    Recorder late(journal, "late");
    Signal signal;
    connector.action = [&] {
        signal.connect(&late, &Recorder::clicked);
        connector.action = nullptr;
    };
    signal.connect(&connector, &Actor::act);
    signal();
    EXPECT_EQ(journal, (Journal{"connector"}));
    signal();
    EXPECT_EQ(journal, (Journal{"connector", "connector", "late"}));
}

TEST(SigslotTest, ASlotMayEmitTheSignalThatCallsIt) {
    Journal journal;
    Actor repeater(journal, "repeater");
    Recorder other(journal, "other");
    Signal signal;
    int depth = 0;
    repeater.action = [&] {
        if (++depth == 1)
            signal();
    };
    signal.connect(&repeater, &Actor::act);
    signal.connect(&other, &Recorder::clicked);
    signal();
    EXPECT_EQ(journal, (Journal{"repeater", "repeater", "other", "other"}));
}

TEST(SigslotTest, AThrowingSlotLeavesTheSignalUsable) {
    Journal journal;
    Actor thrower(journal, "thrower");
    Recorder other(journal, "other");
    Signal signal;
    thrower.action = [&] {
        signal.disconnect(&other);
        throw std::runtime_error("handler failed");
    };
    signal.connect(&thrower, &Actor::act);
    signal.connect(&other, &Recorder::clicked);
    EXPECT_THROW(signal(), std::runtime_error);
    thrower.action = nullptr;
    signal.connect(&other, &Recorder::clicked);
    signal();
    EXPECT_EQ(journal, (Journal{"thrower", "thrower", "other"}));
}

TEST(SigslotTest, DestroyingTheSignalFirstLeavesTheTargetSafe) {
    Journal journal;
    Recorder target(journal, "target");
    {
        Signal signal;
        signal.connect(&target, &Recorder::clicked);
        sigslot::signal1<bool> toggled;
        toggled.connect(&target, &Recorder::toggled);
    }
    // The target's destructor must not reach the destroyed signals; a fresh signal still works.
    Signal signal;
    signal.connect(&target, &Recorder::clicked);
    signal();
    EXPECT_EQ(journal, (Journal{"target"}));
}

TEST(SigslotTest, DestroyingTheTargetFirstRemovesItsConnectionsFromEverySignal) {
    Journal journal;
    Recorder survivor(journal, "survivor");
    Signal clicked;
    sigslot::signal1<bool> toggled;
    {
        Recorder target(journal, "target");
        clicked.connect(&target, &Recorder::clicked);
        clicked.connect(&survivor, &Recorder::clicked);
        toggled.connect(&target, &Recorder::toggled);
    }
    clicked();
    toggled(true);
    EXPECT_EQ(journal, (Journal{"survivor"}));
}

TEST(SigslotTest, DisconnectAllForgetsEveryTarget) {
    Journal journal;
    Signal signal;
    auto target = std::make_unique<Recorder>(journal, "target");
    signal.connect(target.get(), &Recorder::clicked);
    signal.disconnect_all();
    signal();
    target.reset();
    signal();
    EXPECT_TRUE(journal.empty());
}

TEST(SigslotTest, CopyingATargetDuplicatesItsConnections) {
    Journal journal;
    Signal clicked;
    sigslot::signal1<bool> toggled;
    Recorder original(journal, "original");
    clicked.connect(&original, &Recorder::clicked);
    toggled.connect(&original, &Recorder::toggled);
    {
        Recorder copy(original);
        copy.rename("copy");
        clicked();
        toggled(true);
        EXPECT_EQ(journal, (Journal{"original", "copy", "original:on", "copy:on"}));
    }
    journal.clear();
    // The copy's connections went with it; the original's stay.
    clicked();
    EXPECT_EQ(journal, (Journal{"original"}));
}

TEST(SigslotTest, CopyingASignalCopiesItsConnections) {
    Journal journal;
    Recorder target(journal, "target");
    auto original = std::make_unique<Signal>();
    original->connect(&target, &Recorder::clicked);
    Signal copy(*original);
    original.reset();
    copy();
    EXPECT_EQ(journal, (Journal{"target"}));
}

TEST(SigslotTest, CopiedSignalIsForgottenWhenTheTargetGoesFirst) {
    Journal journal;
    Signal original;
    auto target = std::make_unique<Recorder>(journal, "target");
    original.connect(target.get(), &Recorder::clicked);
    Signal copy(original);
    target.reset();
    original();
    copy();
    EXPECT_TRUE(journal.empty());
}

} // namespace
