#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <utility>

namespace wavelore {

// Base of every heap payload that travels with a message. The message owns
// its payload, so a failed post or a message nobody handles frees it.
struct Payload {
    virtual ~Payload() = default;
};

template <typename T>
struct PayloadOf final : Payload {
    explicit PayloadOf(T v) : value(std::move(v)) {}
    T value;
};

// A window or thread message: id, the two plain parameters, and an owned
// payload standing for what a window message would carry as pointers.
struct Message {
    uint32_t id = 0;
    int64_t wParam = 0;
    int64_t lParam = 0;
    std::unique_ptr<Payload> payload;

    Message() = default;
    Message(uint32_t id_, int64_t w, int64_t l) : id(id_), wParam(w), lParam(l) {}

    // A message with its payload; without memory for the payload the
    // message goes without one, which every handler takes as nothing to
    // handle: the decoder thread makes these with each buffer and must not
    // throw.
    template <typename T>
    static Message With(uint32_t id, int64_t w, int64_t l, T value) {
        Message m(id, w, l);
        m.payload.reset(new (std::nothrow) PayloadOf<T>(std::move(value)));
        return m;
    }

    // The payload as T, or null when there is none or it is another type.
    template <typename T>
    T* Get() {
        auto* p = dynamic_cast<PayloadOf<T>*>(payload.get());
        return p ? &p->value : nullptr;
    }
};

}  // namespace wavelore
