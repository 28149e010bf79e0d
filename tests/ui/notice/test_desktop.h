#pragma once

#include <memory>
#include <string>

namespace norvane::testing {

class XSession;

// What the notice tests run on: Xvfb (1024x768) split into two monitors side
// by side, openbox, and a private session bus. Stopped with the object.
class TestDesktop {
public:
    static constexpr int width = 1024;
    static constexpr int height = 768;
    static constexpr int monitorWidth = width / 2;

    static std::unique_ptr<TestDesktop> start(std::string* error);
    ~TestDesktop();
    TestDesktop(const TestDesktop&) = delete;
    TestDesktop& operator=(const TestDesktop&) = delete;

    [[nodiscard]] const std::string& display() const;
    [[nodiscard]] const std::string& busAddress() const noexcept { return busAddress_; }

private:
    TestDesktop() = default;
    std::unique_ptr<XSession> x_;
    std::string busDir_;
    std::string busAddress_;
    int busPid_ = -1;
};

// The one started by main.
const TestDesktop& desktop();

} // namespace norvane::testing
