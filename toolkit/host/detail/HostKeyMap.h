#pragma once

// Virtual keys (HostKey values) from SDL key codes and back.

#include <cstdint>

namespace WinLayer::HostKeyMap {

// 0 for a key without a virtual key.
uint32_t VirtualKey(int32_t sdl_keycode);
// SDLK_UNKNOWN (0) for a virtual key SDL has no key for.
int32_t SdlKey(uint32_t virtual_key);

} // namespace WinLayer::HostKeyMap
