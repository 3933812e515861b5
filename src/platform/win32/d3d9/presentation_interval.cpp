#include "platform/win32/d3d9/presentation_interval.h"

namespace gfx::d3d9 {

DWORD PacedInterval(DWORD asked, DWORD offered, bool hiddenWindow) {
    if (hiddenWindow || asked != D3DPRESENT_INTERVAL_IMMEDIATE)
        return asked;
    return (offered & D3DPRESENT_INTERVAL_ONE) ? D3DPRESENT_INTERVAL_ONE : asked;
}

}  // namespace gfx::d3d9
