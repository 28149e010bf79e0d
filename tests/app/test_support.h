#pragma once

#include "app/app_model.h"
#include "platform/sim/sim_platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <thread>

namespace norvane::test {

using namespace std::chrono_literals;

// Time that moves only when the test says so; due timers fire in order.
class ManualClock final : public Clock {
    struct ManualTimer final : Timer {
        ManualTimer(ManualClock& c, bool r, std::function<void()> t) : clock(c), repeating(r), task(std::move(t))
        {
            clock.timers.push_back(this);
        }
        ~ManualTimer() override { std::erase(clock.timers, this); }
        void start(std::chrono::milliseconds i) override { interval = i, due = clock.elapsed + i, active = true; }
        void stop() override { active = false; }
        [[nodiscard]] bool isActive() const override { return active; }
        ManualClock& clock;
        bool repeating, active = false;
        std::function<void()> task;
        std::chrono::milliseconds interval{0}, due{0};
    };

public:
    [[nodiscard]] std::chrono::system_clock::time_point now() const override
    {
        return std::chrono::system_clock::time_point(1'700'000'000s + elapsed);
    }
    [[nodiscard]] std::unique_ptr<Timer> makeTimer(bool repeating, std::function<void()> task) override
    {
        return std::make_unique<ManualTimer>(*this, repeating, std::move(task));
    }
    void advance(std::chrono::milliseconds by)
    {
        const auto end = elapsed + by;
        for (ManualTimer* next = nullptr;; next = nullptr) {
            for (ManualTimer* t : timers) {
                if (t->active && t->due <= end && (next == nullptr || t->due < next->due)) {
                    next = t;
                }
            }
            if (next == nullptr) {
                break;
            }
            elapsed = next->due;
            next->active = next->repeating;
            next->due += next->interval;
            next->task();
        }
        elapsed = end;
    }

private:
    std::chrono::milliseconds elapsed{0};
    std::vector<ManualTimer*> timers;
};

struct FakePermission final : AccessPermission {
    bool granted = false;
    std::optional<std::string> instructions;
    [[nodiscard]] bool hasInputAccess() override { return granted; }
    // Answers from another thread, as a watcher of the helper process would.
    void request(RequestDone done) override
    {
        std::thread([&] { done(instructions); }).join();
    }
};

struct FakeLoginItem final : LoginItem {
    bool enabled = false;
    std::optional<std::string> failure;
    [[nodiscard]] bool isEnabled() override { return enabled; }
    std::optional<std::string> setEnabled(bool on) override { return failure ? failure : (enabled = on, failure); }
};

// Hands a press to the monitors installed for its kind; they may remove
// themselves meanwhile.
struct FakeMonitor final : PressMonitor {
    std::map<Token, std::pair<Watch, Handler>> handlers;
    Token last = 0;
    std::optional<Token> add(Watch watch, Handler handler) override
    {
        handlers[++last] = {watch, std::move(handler)};
        return last;
    }
    void remove(Token token) override { handlers.erase(token); }
    void press(const MonitoredPress& p)
    {
        for (const auto& [token, entry] : std::map(handlers)) {
            if (entry.first == (p.kind == MonitoredPress::Kind::key ? Watch::keys : Watch::mouseButtons)) {
                entry.second(p);
            }
        }
    }
};

// A temporary home, the simulated platform and fakes for the rest.
class ModelTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    }
    [[nodiscard]] QString configPath() const { return home.path() + "/.config/norvane/config.json"; }
    [[nodiscard]] QString settingsPath() const { return home.path() + "/.config/norvane/norvane.conf"; }

    std::unique_ptr<AppModel> makeModel()
    {
        return std::make_unique<AppModel>(AppPlatform{sim.tap, sim.output, sim.frontmost, sim.pages, sim.workspace,
                                                      sim.notifier, permission, loginItem, local, global},
                                          AppStorage{configPath(), settingsPath(), "norvane"}, clock);
    }
    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray readFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Runs what was queued for the model's thread.
    static void processQueued() { QCoreApplication::processEvents(); }

    QTemporaryDir home;
    sim::Platform sim;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    FakePermission permission;
    FakeLoginItem loginItem;
    FakeMonitor local, global;
};

inline Mapping keyRule(const char* trigger, Action action = Action::media(MediaKey::mute))
{
    return Mapping(Trigger::key(*Combo::parse(trigger)), std::move(action));
}

} // namespace norvane::test
