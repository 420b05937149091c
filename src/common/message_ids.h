#pragma once

#include <cstdint>

namespace wavelore {

// Window and thread message ids, numbered WM_USER + n as on Windows, so that
// a port there can post them as window messages unchanged and logs and tools
// agree on them everywhere.
constexpr uint32_t WM_USER = 0x0400;
constexpr uint32_t MM_WIM_DATA = 0x03C0;

constexpr uint32_t WM_DECODER_SPECTRUM = WM_USER + 1;
constexpr uint32_t WM_DISPLAY_BLOCK = WM_USER + 1;
constexpr uint32_t WM_SET_FREQUENCY = WM_USER + 2;
constexpr uint32_t WM_DECODER_SIGNAL = WM_USER + 4;
constexpr uint32_t WM_DECODER_TEXT = WM_USER + 6;
constexpr uint32_t WM_DECODER_CPULOAD = WM_USER + 8;
constexpr uint32_t WM_UPLOAD_REQUEST = WM_USER + 11;
constexpr uint32_t WM_UPLOAD_RESULT = WM_USER + 12;
constexpr uint32_t WM_SHOW_MESSAGE = WM_USER + 13;
constexpr uint32_t WM_DECODER_TUNE = WM_USER + 0xC23;
// A recording played as a sound device has announced its last buffer
// (posted after it, to the queue its buffers go to).
constexpr uint32_t WM_SOUND_ENDED = WM_USER + 0xC24;
// The decoder thread has given out everything its input ended with.
constexpr uint32_t WM_DECODER_ENDED = WM_USER + 0xC25;

}  // namespace wavelore
