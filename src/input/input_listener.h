// Receives the input manager's events.
#pragma once

#include "input/input_event.h"

namespace input {

class InputListener {
public:
    virtual ~InputListener() = default;
    virtual void OnInputEvent(const InputEvent& event) = 0;
};

}  // namespace input
