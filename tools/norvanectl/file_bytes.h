#pragma once

#include <cstddef>
#include <string>

namespace norvane::ctl {

// Reads a whole regular file into `bytes`. On failure returns false and
// sets `why` to a short reason (the system's error text, "not a regular
// file" for a FIFO, socket or device, or "larger than N bytes"). Never waits
// for a writer; files larger than `limit` are not read to the end.
bool readFileBytes(const char* path, std::size_t limit, std::string& bytes, std::string& why);

} // namespace norvane::ctl
