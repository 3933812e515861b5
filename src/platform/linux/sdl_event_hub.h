// Every SDL event the window pump takes from the queue is offered to the listeners here first,
// so back ends that need raw events (the input devices) see them without owning the pump.
#pragma once

#include <SDL.h>

#include <functional>

namespace platform::linux_impl {

using SdlEventListener = std::function<void(const SDL_Event&)>;

// Returns an id for RemoveSdlEventListener. Listeners are called in the order they were added.
int AddSdlEventListener(SdlEventListener listener);
void RemoveSdlEventListener(int id);
void DispatchSdlEvent(const SDL_Event& event);

}  // namespace platform::linux_impl
