// Typed signals that call member functions of connected objects, in connection order, with a
// recursive lock per object so that a slot may connect or disconnect while it is being called.
#pragma once

#include "platform/RecursiveLock.h"

#include <cstddef>
#include <iterator>
#include <list>
#include <memory>
#include <set>
#include <vector>

namespace sigslot {

// Threading policy: every object owns a recursive lock of its own. A copy gets a fresh lock.
class multi_threaded_local {
public:
    multi_threaded_local() = default;
    multi_threaded_local(const multi_threaded_local &) {}
    multi_threaded_local &operator=(const multi_threaded_local &) { return *this; }
    virtual ~multi_threaded_local() = default;

    virtual void lock() { section.lock(); }
    virtual void unlock() { section.unlock(); }

private:
    Cobalt::Platform::RecursiveLock section;
};

// Holds an object's lock for one scope.
template <class mt_policy> class lock_block {
public:
    explicit lock_block(mt_policy *object) : object(object) { object->lock(); }
    ~lock_block() { object->unlock(); }
    lock_block(const lock_block &) = delete;
    lock_block &operator=(const lock_block &) = delete;

private:
    mt_policy *object;
};

template <class mt_policy> class has_slots;

// What a target sees of a signal that calls it.
template <class mt_policy> class _signal_base : public mt_policy {
public:
    // Deletes every connection to target without telling target (it is going away).
    virtual void slot_disconnect(has_slots<mt_policy> *target) = 0;
    // Appends, for every connection to oldTarget, a copy aimed at newTarget.
    virtual void slot_duplicate(const has_slots<mt_policy> *oldTarget,
                                has_slots<mt_policy> *newTarget) = 0;
};

// Base of every object whose member functions may be connected. It records which signals hold
// connections to it and disconnects from all of them when it is destroyed. Copying the object
// duplicates its connections; assigning is not offered.
template <class mt_policy = multi_threaded_local> class has_slots : public mt_policy {
public:
    using sender = _signal_base<mt_policy>;

    has_slots() = default;
    has_slots(const has_slots &other) : mt_policy(other) {
        lock_block<mt_policy> guard(this);
        for (sender *signal : other.senders) {
            signal->slot_duplicate(&other, this);
            senders.insert(signal);
        }
    }
    has_slots &operator=(const has_slots &) = delete;
    ~has_slots() override { disconnect_all(); }

    // Called by a signal after it connected to this object.
    void signal_connect(sender *signal) {
        lock_block<mt_policy> guard(this);
        senders.insert(signal);
    }
    // Called by a signal once it holds no connection to this object any more.
    void signal_disconnect(sender *signal) {
        lock_block<mt_policy> guard(this);
        senders.erase(signal);
    }
    // Removes every connection of every signal to this object.
    void disconnect_all() {
        lock_block<mt_policy> guard(this);
        for (sender *signal : senders)
            signal->slot_disconnect(this);
        senders.clear();
    }

private:
    std::set<sender *> senders;
};

// Argument-free connection: a target and one of its member functions.
template <class mt_policy> class _connection_base0 {
public:
    virtual has_slots<mt_policy> *getdest() const = 0;
    virtual void emit() = 0;
    virtual std::unique_ptr<_connection_base0> clone() const = 0;
    virtual std::unique_ptr<_connection_base0> duplicate(has_slots<mt_policy> *newTarget) const = 0;
    virtual ~_connection_base0() = default;
};

template <class A1, class mt_policy> class _connection_base1 {
public:
    virtual has_slots<mt_policy> *getdest() const = 0;
    virtual void emit(A1 argument) = 0;
    virtual std::unique_ptr<_connection_base1> clone() const = 0;
    virtual std::unique_ptr<_connection_base1> duplicate(has_slots<mt_policy> *newTarget) const = 0;
    virtual ~_connection_base1() = default;
};

template <class Dest, class mt_policy = multi_threaded_local>
class _connection0 : public _connection_base0<mt_policy> {
public:
    using member_function = void (Dest::*)();

    // target must be a Dest, or a Dest's has_slots base while that Dest is being copied.
    _connection0(has_slots<mt_policy> *target, member_function member)
        : target(target), member(member) {}

    has_slots<mt_policy> *getdest() const override { return target; }
    void emit() override { (static_cast<Dest *>(target)->*member)(); }
    std::unique_ptr<_connection_base0<mt_policy>> clone() const override {
        return std::make_unique<_connection0>(*this);
    }
    std::unique_ptr<_connection_base0<mt_policy>>
    duplicate(has_slots<mt_policy> *newTarget) const override {
        return std::make_unique<_connection0>(newTarget, member);
    }

private:
    // Held as the base: a copied target is not yet a Dest when its connections are duplicated.
    has_slots<mt_policy> *target;
    member_function member;
};

template <class Dest, class A1, class mt_policy = multi_threaded_local>
class _connection1 : public _connection_base1<A1, mt_policy> {
public:
    using member_function = void (Dest::*)(A1);

    // target must be a Dest, or a Dest's has_slots base while that Dest is being copied.
    _connection1(has_slots<mt_policy> *target, member_function member)
        : target(target), member(member) {}

    has_slots<mt_policy> *getdest() const override { return target; }
    void emit(A1 argument) override { (static_cast<Dest *>(target)->*member)(argument); }
    std::unique_ptr<_connection_base1<A1, mt_policy>> clone() const override {
        return std::make_unique<_connection1>(*this);
    }
    std::unique_ptr<_connection_base1<A1, mt_policy>>
    duplicate(has_slots<mt_policy> *newTarget) const override {
        return std::make_unique<_connection1>(newTarget, member);
    }

private:
    // Held as the base: a copied target is not yet a Dest when its connections are duplicated.
    has_slots<mt_policy> *target;
    member_function member;
};

// The owned connections of one signal in connection order. A connection removed while an
// emission walks the list only leaves an empty entry behind, swept when the outermost emission
// ends, so removing any connection (the one being called or a later one) never upsets the walk.
template <class Connection, class mt_policy> class connection_list {
public:
    using target_type = has_slots<mt_policy>;

    connection_list() = default;
    connection_list(const connection_list &other) {
        for (const auto &connection : other.entries)
            if (connection)
                entries.push_back(connection->clone());
    }
    connection_list &operator=(const connection_list &) = delete;

    void append(std::unique_ptr<Connection> connection) {
        entries.push_back(std::move(connection));
    }

    // Removes the first connection to target; true when one was found.
    bool remove_first(const target_type *target) {
        for (auto it = entries.begin(); it != entries.end(); ++it)
            if (*it && (*it)->getdest() == target) {
                retire(it);
                return true;
            }
        return false;
    }

    // Removes every connection to target.
    void remove_all(const target_type *target) {
        for (auto it = entries.begin(); it != entries.end();)
            it = *it && (*it)->getdest() == target ? retire(it) : std::next(it);
    }

    bool connects(const target_type *target) const {
        for (const auto &connection : entries)
            if (connection && connection->getdest() == target)
                return true;
        return false;
    }

    // Calls visit on every live connection; see walk for the order during emissions.
    template <class Visit> void for_each(Visit visit) const {
        for (const auto &connection : entries)
            if (connection)
                visit(*connection);
    }

    void duplicate(const target_type *oldTarget, target_type *newTarget) {
        std::vector<std::unique_ptr<Connection>> copies;
        for_each([&](const Connection &connection) {
            if (connection.getdest() == oldTarget)
                copies.push_back(connection.duplicate(newTarget));
        });
        for (auto &copy : copies)
            append(std::move(copy));
    }

    void clear() {
        for (auto it = entries.begin(); it != entries.end();)
            it = retire(it);
    }

    // Calls call on each connection present when the walk began and still connected when its
    // turn comes; connections made meanwhile wait for the next walk.
    template <class Call> void walk(Call call) {
        walk_guard guard(*this);
        std::size_t remaining = entries.size();
        for (auto it = entries.begin(); remaining > 0; ++it, --remaining)
            if (*it)
                call(**it);
    }

private:
    // Counts nested walks and sweeps the emptied entries after the outermost one, also when a
    // slot throws.
    class walk_guard {
    public:
        explicit walk_guard(connection_list &list) : list(list) { ++list.walks; }
        ~walk_guard() {
            if (--list.walks == 0)
                list.sweep();
        }
        walk_guard(const walk_guard &) = delete;
        walk_guard &operator=(const walk_guard &) = delete;

    private:
        connection_list &list;
    };

    using iterator = typename std::list<std::unique_ptr<Connection>>::iterator;

    // Removes the connection at it and returns the next position.
    iterator retire(iterator it) {
        if (walks == 0)
            return entries.erase(it);
        // The connection may be the one running right now: keep it alive until the walk ends.
        if (*it)
            retired.push_back(std::move(*it));
        return std::next(it);
    }

    void sweep() {
        entries.remove_if([](const std::unique_ptr<Connection> &entry) { return !entry; });
        retired.clear();
    }

    std::list<std::unique_ptr<Connection>> entries;
    std::vector<std::unique_ptr<Connection>> retired;
    unsigned walks = 0;
};

// Connection bookkeeping shared by the signals of every argument count. Destroying a signal
// disconnects everything. A signal must not be destroyed by one of its own slots.
template <class Connection, class mt_policy>
class _signal_connections : public _signal_base<mt_policy> {
public:
    using target_type = has_slots<mt_policy>;

    _signal_connections() = default;
    // The copy holds a copy of every connection and is known to every target.
    _signal_connections(const _signal_connections &other)
        : _signal_base<mt_policy>(other), connections(other.connections) {
        lock_block<mt_policy> guard(this);
        connections.for_each(
            [this](const Connection &connection) { connection.getdest()->signal_connect(this); });
    }
    _signal_connections &operator=(const _signal_connections &) = delete;
    ~_signal_connections() override { disconnect_all(); }

    // Removes every connection and tells each target to forget this signal.
    void disconnect_all() {
        lock_block<mt_policy> guard(this);
        connections.for_each([this](const Connection &connection) {
            connection.getdest()->signal_disconnect(this);
        });
        connections.clear();
    }

    // Removes the first connection to target. Target forgets this signal only when no other
    // connection to it remains, so it still disconnects the rest when it is destroyed.
    void disconnect(target_type *target) {
        lock_block<mt_policy> guard(this);
        if (connections.remove_first(target) && !connections.connects(target))
            target->signal_disconnect(this);
    }

    void slot_disconnect(target_type *target) override {
        lock_block<mt_policy> guard(this);
        connections.remove_all(target);
    }

    void slot_duplicate(const target_type *oldTarget, target_type *newTarget) override {
        lock_block<mt_policy> guard(this);
        connections.duplicate(oldTarget, newTarget);
    }

protected:
    void add(std::unique_ptr<Connection> connection, target_type *target) {
        lock_block<mt_policy> guard(this);
        connections.append(std::move(connection));
        target->signal_connect(this);
    }

    // Calls call on each connection in connection order, holding the lock for the whole walk.
    template <class Call> void emit_all(Call call) {
        lock_block<mt_policy> guard(this);
        connections.walk(call);
    }

private:
    connection_list<Connection, mt_policy> connections;
};

template <class mt_policy = multi_threaded_local>
class _signal_base0 : public _signal_connections<_connection_base0<mt_policy>, mt_policy> {};

template <class A1, class mt_policy = multi_threaded_local>
class _signal_base1 : public _signal_connections<_connection_base1<A1, mt_policy>, mt_policy> {};

// A signal without arguments.
template <class mt_policy = multi_threaded_local> class signal0 : public _signal_base0<mt_policy> {
public:
    // Appends a connection to target's member; connecting twice calls it twice per emission.
    template <class Dest> void connect(Dest *target, void (Dest::*member)()) {
        this->add(std::make_unique<_connection0<Dest, mt_policy>>(target, member), target);
    }

    // Calls every connected member function in connection order.
    void emit() {
        this->emit_all([](_connection_base0<mt_policy> &connection) { connection.emit(); });
    }
    void operator()() { emit(); }
};

// A signal with one argument, passed on to every connected member function.
template <class A1, class mt_policy = multi_threaded_local>
class signal1 : public _signal_base1<A1, mt_policy> {
public:
    // Appends a connection to target's member; connecting twice calls it twice per emission.
    template <class Dest> void connect(Dest *target, void (Dest::*member)(A1)) {
        this->add(std::make_unique<_connection1<Dest, A1, mt_policy>>(target, member), target);
    }

    // Calls every connected member function in connection order with argument.
    void emit(A1 argument) {
        this->emit_all([&argument](_connection_base1<A1, mt_policy> &connection) {
            connection.emit(argument);
        });
    }
    void operator()(A1 argument) { emit(argument); }
};

} // namespace sigslot
