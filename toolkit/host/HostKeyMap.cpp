#include <toolkit/host/HostTypes.h>
#include <toolkit/host/detail/HostKeyMap.h>

#include <iterator>

#include <SDL_keycode.h>

namespace WinLayer {

namespace {
struct KeyPair {
    int32_t sdl;
    uint32_t vk;
};

// Keys other than letters, digits and function keys. Punctuation keys take the virtual keys
// of a US layout, as SDL's key codes for them name the unshifted character.
constexpr KeyPair kKeys[] = {
    { SDLK_BACKSPACE, HostKey::kBack },
    { SDLK_TAB, HostKey::kTab },
    { SDLK_RETURN, HostKey::kReturn },
    { SDLK_KP_ENTER, HostKey::kReturn },
    { SDLK_LSHIFT, HostKey::kShift },
    { SDLK_RSHIFT, HostKey::kShift },
    { SDLK_LCTRL, HostKey::kControl },
    { SDLK_RCTRL, HostKey::kControl },
    { SDLK_LALT, HostKey::kMenu },
    { SDLK_RALT, HostKey::kMenu },
    { SDLK_PAUSE, 0x13 },
    { SDLK_CAPSLOCK, 0x14 },
    { SDLK_ESCAPE, HostKey::kEscape },
    { SDLK_SPACE, HostKey::kSpace },
    { SDLK_PAGEUP, HostKey::kPrior },
    { SDLK_PAGEDOWN, HostKey::kNext },
    { SDLK_END, HostKey::kEnd },
    { SDLK_HOME, HostKey::kHome },
    { SDLK_LEFT, HostKey::kLeft },
    { SDLK_UP, HostKey::kUp },
    { SDLK_RIGHT, HostKey::kRight },
    { SDLK_DOWN, HostKey::kDown },
    { SDLK_PRINTSCREEN, 0x2C },
    { SDLK_INSERT, HostKey::kInsert },
    { SDLK_DELETE, HostKey::kDelete },
    { SDLK_LGUI, 0x5B },
    { SDLK_RGUI, 0x5C },
    { SDLK_APPLICATION, HostKey::kApps },
    { SDLK_KP_MULTIPLY, 0x6A },
    { SDLK_KP_PLUS, 0x6B },
    { SDLK_KP_MINUS, 0x6D },
    { SDLK_KP_PERIOD, 0x6E },
    { SDLK_KP_DIVIDE, 0x6F },
    { SDLK_NUMLOCKCLEAR, 0x90 },
    { SDLK_SCROLLLOCK, 0x91 },
    { SDLK_SEMICOLON, 0xBA },
    { SDLK_EQUALS, 0xBB },
    { SDLK_COMMA, 0xBC },
    { SDLK_MINUS, 0xBD },
    { SDLK_PERIOD, 0xBE },
    { SDLK_SLASH, 0xBF },
    { SDLK_BACKQUOTE, 0xC0 },
    { SDLK_LEFTBRACKET, 0xDB },
    { SDLK_BACKSLASH, 0xDC },
    { SDLK_RIGHTBRACKET, 0xDD },
    { SDLK_QUOTE, 0xDE },
};

constexpr int32_t kKeypadDigits[] = { SDLK_KP_0, SDLK_KP_1, SDLK_KP_2, SDLK_KP_3, SDLK_KP_4, SDLK_KP_5,
    SDLK_KP_6, SDLK_KP_7, SDLK_KP_8, SDLK_KP_9 };
constexpr uint32_t kNumPad0 = 0x60;
} // namespace

uint32_t HostKeyMap::VirtualKey(int32_t sdl_keycode)
{
    if (sdl_keycode >= SDLK_a && sdl_keycode <= SDLK_z)
        return 'A' + static_cast<uint32_t>(sdl_keycode - SDLK_a);
    if (sdl_keycode >= SDLK_0 && sdl_keycode <= SDLK_9)
        return static_cast<uint32_t>(sdl_keycode);
    if (sdl_keycode >= SDLK_F1 && sdl_keycode <= SDLK_F12)
        return HostKey::kF1 + static_cast<uint32_t>(sdl_keycode - SDLK_F1);
    if (sdl_keycode >= SDLK_F13 && sdl_keycode <= SDLK_F24)
        return HostKey::kF1 + 12 + static_cast<uint32_t>(sdl_keycode - SDLK_F13);
    for (size_t i = 0; i < std::size(kKeypadDigits); ++i) {
        if (kKeypadDigits[i] == sdl_keycode)
            return kNumPad0 + static_cast<uint32_t>(i);
    }
    for (const KeyPair& pair : kKeys) {
        if (pair.sdl == sdl_keycode)
            return pair.vk;
    }
    return 0;
}

int32_t HostKeyMap::SdlKey(uint32_t virtual_key)
{
    if (virtual_key >= 'A' && virtual_key <= 'Z')
        return SDLK_a + static_cast<int32_t>(virtual_key - 'A');
    if (virtual_key >= '0' && virtual_key <= '9')
        return static_cast<int32_t>(virtual_key);
    if (virtual_key >= HostKey::kF1 && virtual_key < HostKey::kF1 + 12)
        return SDLK_F1 + static_cast<int32_t>(virtual_key - HostKey::kF1);
    if (virtual_key >= HostKey::kF1 + 12 && virtual_key < HostKey::kF1 + 24)
        return SDLK_F13 + static_cast<int32_t>(virtual_key - HostKey::kF1 - 12);
    if (virtual_key >= kNumPad0 && virtual_key < kNumPad0 + 10)
        return kKeypadDigits[virtual_key - kNumPad0];
    // The first pair of a virtual key is its main key (left Shift, Return, ...).
    for (const KeyPair& pair : kKeys) {
        if (pair.vk == virtual_key)
            return pair.sdl;
    }
    return SDLK_UNKNOWN;
}

} // namespace WinLayer
