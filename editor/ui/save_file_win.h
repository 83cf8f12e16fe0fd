// Writing the packed KVR_ZPL.DAT image so that a failure never destroys the user's file:
// the ten write blocks go into a new file in the target's folder, which is flushed and only
// then renamed over the target.
#pragma once

#include <cstdint>
#include <string>

namespace kvr::ui {

// `image` holds kvr::kFileSize bytes. On failure nothing but a left-over temporary file
// (deleted as far as possible) has changed, and `reason` says why in a sentence.
bool WriteDataFileSafely(const std::string& target, const std::uint8_t* image, std::string& reason);

// The system's text for an error code, without the trailing line break.
std::string SystemErrorText(unsigned long code);

}  // namespace kvr::ui
