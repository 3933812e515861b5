#include "platform/linux/sdl_event_hub.h"

#include <utility>
#include <vector>

namespace platform::linux_impl {
namespace {

struct Entry {
    int id;
    SdlEventListener listener;
};

std::vector<Entry>& Listeners() {
    static std::vector<Entry> listeners;
    return listeners;
}

}  // namespace

int AddSdlEventListener(SdlEventListener listener) {
    static int nextId = 1;
    Listeners().push_back({nextId, std::move(listener)});
    return nextId++;
}

void RemoveSdlEventListener(int id) {
    auto& listeners = Listeners();
    std::erase_if(listeners, [id](const Entry& e) { return e.id == id; });
}

void DispatchSdlEvent(const SDL_Event& event) {
    // A copy, so a listener may add or remove listeners while being called.
    const auto listeners = Listeners();
    for (const auto& entry : listeners) {
        entry.listener(event);
    }
}

}  // namespace platform::linux_impl
