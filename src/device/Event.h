// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An event that more than one part may hear. Assigning sets the owner's handler, the one
// callback an event has always had (the window's, the tool's); Subscribe adds a listener (a
// page, a dialog) that stays until its subscription is dropped. Listeners are called in the
// order they subscribed, the owner's handler last, so the owner sees the state after every
// listener has taken the news. Everything runs on the thread that raises the event.

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// Ends a listener's subscription when destroyed (or on Reset); safe after the event is gone.
class TSubscription {
public:
    TSubscription() = default;
    explicit TSubscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    ~TSubscription() { Reset(); }
    TSubscription(TSubscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
    TSubscription& operator=(TSubscription&& other) noexcept {
        if (this != &other) {
            Reset();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    TSubscription(const TSubscription&) = delete;
    TSubscription& operator=(const TSubscription&) = delete;

    void Reset() {
        if (auto cancel = std::exchange(cancel_, {}))
            cancel();
    }

private:
    std::function<void()> cancel_;
};

template <typename... Args> class TEvent {
public:
    using THandler = std::function<void(Args...)>;

    TEvent() = default;
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    TEvent& operator=(THandler handler) {
        owner_ = std::move(handler);
        return *this;
    }
    TEvent& operator=(std::nullptr_t) {
        owner_ = nullptr;
        return *this;
    }

    // Whether anybody hears the event.
    explicit operator bool() const { return owner_ || !listeners_->empty(); }

    [[nodiscard]] TSubscription Subscribe(THandler handler) {
        const size_t id = ++last_id_;
        listeners_->push_back({id, std::make_shared<THandler>(std::move(handler))});
        std::weak_ptr<TListeners> listeners = listeners_;
        return TSubscription([listeners, id] {
            if (auto alive = listeners.lock())
                std::erase_if(*alive, [id](const TListener& l) { return l.Id == id; });
        });
    }

    // A handler may subscribe, unsubscribe or reassign while the event runs: the listeners
    // heard are those subscribed when it was raised, less any dropped meanwhile.
    void operator()(Args... args) const {
        const TListeners heard = *listeners_;
        for (const TListener& listener : heard) {
            const bool still = std::any_of(listeners_->begin(), listeners_->end(),
                                           [&](const TListener& l) { return l.Id == listener.Id; });
            if (still)
                (*listener.Handler)(args...);
        }
        if (owner_) {
            const THandler owner = owner_;
            owner(args...);
        }
    }

private:
    struct TListener {
        size_t Id = 0;
        std::shared_ptr<THandler> Handler;
    };
    using TListeners = std::vector<TListener>;

    THandler owner_;
    std::shared_ptr<TListeners> listeners_ = std::make_shared<TListeners>();
    size_t last_id_ = 0;
};
