#include "platform/linux/browser/frame.h"

#include <cstdint>
#include <cstring>

namespace norvane::linux_browser {

std::string encodeFrame(std::string_view payload)
{
    const auto length = static_cast<std::uint32_t>(payload.size());
    std::string frame(frameHeaderBytes + payload.size(), '\0');
    std::memcpy(frame.data(), &length, frameHeaderBytes);
    std::memcpy(frame.data() + frameHeaderBytes, payload.data(), payload.size());
    return frame;
}

void FrameReader::append(const char* data, std::size_t size)
{
    if (broken_ || size == 0) {
        return;
    }
    if (offset_ > 0 && offset_ == buffer_.size()) {
        buffer_.clear();
        offset_ = 0;
    } else if (offset_ > 0 && offset_ >= buffer_.size() / 2) {
        buffer_.erase(0, offset_);
        offset_ = 0;
    }
    buffer_.append(data, size);
}

std::optional<std::string> FrameReader::next()
{
    if (broken_ || buffer_.size() - offset_ < frameHeaderBytes) {
        return std::nullopt;
    }
    std::uint32_t length = 0;
    std::memcpy(&length, buffer_.data() + offset_, frameHeaderBytes);
    if (length > maxPayload_) {
        broken_ = true;
        buffer_.clear();
        buffer_.shrink_to_fit();
        offset_ = 0;
        return std::nullopt;
    }
    if (buffer_.size() - offset_ - frameHeaderBytes < length) {
        return std::nullopt;
    }
    std::string payload = buffer_.substr(offset_ + frameHeaderBytes, length);
    offset_ += frameHeaderBytes + length;
    return payload;
}

} // namespace norvane::linux_browser
