// Window message numbers, virtual keys and system commands the framework's
// window procedures understand. They keep their Win32 values so the procedures
// read the same on every platform; each backend translates into them.
#pragma once
#include <cstdint>

constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_SETCURSOR = 0x0020;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;

constexpr uint32_t VK_RETURN = 0x0D;
constexpr uint32_t VK_ESCAPE = 0x1B;
constexpr uint32_t VK_SPACE = 0x20;
constexpr uint32_t VK_F2 = 0x71;

constexpr uint32_t SC_SCREENSAVE = 0xF140;
constexpr uint32_t SC_MONITORPOWER = 0xF170;

// Context code of a key message: Alt was held.
constexpr uint32_t FW_KEY_ALT = 0x20000000;

// The client size as WM_SIZE carries it: width in the low word, height above.
inline int64_t fw_pack_size(int32_t width, int32_t height) {
    return static_cast<int64_t>((static_cast<uint32_t>(height) << 16) | (static_cast<uint32_t>(width) & 0xFFFF));
}
