#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace norvane::linux_browser {

// Messages between the browser, the native-messaging host and the app: a
// 32-bit length in native byte order, then that many bytes of UTF-8 JSON.
// This is the browser's own stdio framing; the bridge socket uses it too.
inline constexpr std::size_t frameHeaderBytes = 4;

// The frame for one payload. The caller keeps payloads far below 4 GiB.
std::string encodeFrame(std::string_view payload);

// Splits a byte stream into frames. A header announcing more than
// `maxPayload` bytes breaks the stream for good: the reader then refuses
// everything and the connection has to be closed, since skipping an
// arbitrary length is no way to find the next frame.
class FrameReader {
public:
    explicit FrameReader(std::size_t maxPayload) : maxPayload_(maxPayload) {}

    // Adds received bytes. Callers take every complete frame with next()
    // between two appends, which bounds the buffer to one frame plus one read.
    void append(const char* data, std::size_t size);
    void append(std::string_view bytes) { append(bytes.data(), bytes.size()); }

    // The next complete payload, or nothing while the frame is incomplete or
    // after the stream broke.
    std::optional<std::string> next();

    [[nodiscard]] bool broken() const noexcept { return broken_; }
    // True while part of a frame has arrived but not all of it (at the end of
    // a stream this means it was cut short).
    [[nodiscard]] bool midFrame() const noexcept { return buffer_.size() > offset_; }

private:
    std::size_t maxPayload_;
    std::string buffer_;
    std::size_t offset_ = 0;
    bool broken_ = false;
};

} // namespace norvane::linux_browser
