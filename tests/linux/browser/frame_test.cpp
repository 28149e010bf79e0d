#include "platform/linux/browser/frame.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace norvane::linux_browser {
namespace {

std::string header(std::uint32_t length)
{
    std::string h(frameHeaderBytes, '\0');
    std::memcpy(h.data(), &length, frameHeaderBytes);
    return h;
}

TEST(FrameReader, SplitsAStreamFedOneByteAtATime)
{
    const std::vector<std::string> payloads = {R"({"a":1})", "", std::string(1000, 'x'), "{}"};
    std::string stream;
    for (const auto& p : payloads) {
        stream += encodeFrame(p);
    }
    EXPECT_EQ(stream.substr(0, 4), header(7)); // native byte order, as the browser writes it

    FrameReader reader(4096);
    std::vector<std::string> got;
    for (const char c : stream) {
        reader.append(&c, 1);
        while (auto p = reader.next()) {
            got.push_back(*p);
        }
    }
    EXPECT_EQ(got, payloads);
    EXPECT_FALSE(reader.midFrame());
    EXPECT_FALSE(reader.broken());
}

TEST(FrameReader, TruncatedFramesWaitAndNeverYieldPartialPayloads)
{
    FrameReader reader(4096);
    reader.append(header(10).substr(0, 3));
    EXPECT_FALSE(reader.next());
    EXPECT_TRUE(reader.midFrame());

    reader.append(header(10).substr(3) + "12345");
    EXPECT_FALSE(reader.next());
    EXPECT_TRUE(reader.midFrame());

    reader.append("67890" + encodeFrame("next"));
    EXPECT_EQ(reader.next(), "1234567890");
    EXPECT_EQ(reader.next(), "next");
    EXPECT_FALSE(reader.midFrame());
}

TEST(FrameReader, AnOversizedLengthBreaksTheStreamForGood)
{
    for (const std::uint32_t length : {4097u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        FrameReader reader(4096);
        reader.append(encodeFrame("fine") + header(length) + "junk");
        EXPECT_EQ(reader.next(), "fine");
        EXPECT_FALSE(reader.next()) << length;
        EXPECT_TRUE(reader.broken());
        reader.append(encodeFrame("later"));
        EXPECT_FALSE(reader.next()); // nothing after the break is trusted
    }
    FrameReader exact(4096);
    exact.append(encodeFrame(std::string(4096, 'y')));
    EXPECT_EQ(exact.next()->size(), 4096u);
}

} // namespace
} // namespace norvane::linux_browser
