// Direct3D 9's own records and our gfx records of the same names: the ones laid out alike are
// passed through as they are (their layouts are checked where they are converted), the others
// are copied field by field.
#pragma once

#include "platform/gfx/d3d_types.h"

#include "platform/win32/d3d9/d3d9_api.h"

namespace gfx::d3d9 {

::D3DPRESENT_PARAMETERS NativePresentParameters(const D3DPRESENT_PARAMETERS& params);
// Takes back what the runtime filled in (a windowed back buffer's size and format); the
// window stays as the caller gave it.
void TakePresentParameters(const ::D3DPRESENT_PARAMETERS& native, D3DPRESENT_PARAMETERS& params);
D3DCAPS9 CapsOf(const ::D3DCAPS9& native);
D3DADAPTER_IDENTIFIER9 IdentifierOf(const ::D3DADAPTER_IDENTIFIER9& native);

inline HRESULT Result(::HRESULT hr) {
    return static_cast<HRESULT>(hr);
}

// The window a gfx window handle names.
inline HWND WindowOf(platform::WindowHandle handle) {
    return reinterpret_cast<HWND>(handle);
}

template <typename Gfx, typename Native>
const Native* Same(const Gfx* record) {
    static_assert(sizeof(Gfx) == sizeof(Native));
    return reinterpret_cast<const Native*>(record);
}

template <typename Gfx, typename Native>
Native* Same(Gfx* record) {
    static_assert(sizeof(Gfx) == sizeof(Native));
    return reinterpret_cast<Native*>(record);
}

}  // namespace gfx::d3d9
