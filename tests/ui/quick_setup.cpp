#include "quick_setup.h"

#include "app/clock.h"
#include "model/app_names.h"
#include "model/combo.h"
#include "ui/controls/register_controls.h"

#include <QImage>
#include <QQmlEngine>

namespace norvane::test {

namespace {

// The fixture behind the engine that is running; replaced per test file.
std::unique_ptr<QuickFixture> current;

struct ListNames final : AppNameSource {
    explicit ListNames(std::vector<ui::AppEntry> list) : apps(std::move(list)) {}
    std::optional<std::string> displayName(const std::string& appID) override
    {
        for (const auto& app : apps) {
            if (app.id == appID) {
                return app.name;
            }
        }
        return std::nullopt;
    }
    std::vector<ui::AppEntry> apps;
};

AppStorage storageIn(const QTemporaryDir& home)
{
    return {home.path() + "/config.json", home.path() + "/norvane.conf", "norvane"};
}

} // namespace

std::optional<PressMonitor::Token> ScriptedMonitor::add(Watch watch, Handler handler)
{
    handlers[++last] = {watch, std::move(handler)};
    return last;
}

void ScriptedMonitor::press(const MonitoredPress& p)
{
    const auto watch = p.kind == MonitoredPress::Kind::key ? Watch::keys : Watch::mouseButtons;
    for (const auto& [token, entry] : std::map(handlers)) {
        if (entry.first == watch) {
            entry.second(p);
        }
    }
}

std::optional<std::string> ListDirectory::iconFile(const std::optional<std::string>& appID, int /*sizePx*/)
{
    const auto it = appID ? icons.find(*appID) : icons.end();
    return it == icons.end() ? std::nullopt : std::optional(it->second);
}

bool TestPlatform::pressKey(const QString& combo)
{
    const auto parsed = Combo::parse(combo.toStdString());
    if (parsed) {
        monitor_.press(MonitoredPress::key(parsed->keyCode, parsed->modifiers));
    }
    return parsed.has_value();
}

void TestPlatform::pressMouse(int button)
{
    monitor_.press(MonitoredPress::mouse(button));
}

void TestPlatform::fillRecent(int count, double newestMs)
{
    using namespace std::chrono;
    const system_clock::time_point newest{milliseconds(static_cast<std::int64_t>(newestMs))};
    std::vector<ActivityItem> items;
    for (int i = 0; i < count; ++i) {
        ActivityItem item;
        item.date = newest - seconds(i);
        item.groupName = "组" + std::to_string(i);
        item.trigger = *Trigger::parse("ctrl+k");
        item.action = Action::keys(Combo::parse("ctrl+l"));
        item.appID = "org.example.Editor";
        items.push_back(std::move(item));
    }
    model_.setRecent(std::move(items));
}

namespace {

// Empty text stands for an absent value.
std::optional<std::string> optional(const QString& s)
{
    return s.isEmpty() ? std::nullopt : std::optional(s.toStdString());
}

} // namespace

void TestPlatform::reportProbe(const QString& trigger, const QString& appID, const QString& url, const QString& match)
{
    ProbeInfo info;
    info.trigger = Trigger::parse(trigger.toStdString()).value_or(Trigger::mouse(3));
    info.appID = optional(appID);
    info.url = optional(url);
    info.match = optional(match);
    model_.setProbe(info);
}

void TestPlatform::setRunning(const QStringList& appIDs)
{
    std::vector<std::string> ids;
    for (const auto& id : appIDs) {
        ids.push_back(id.toStdString());
    }
    sim_.workspace.setRunning(ids);
}

void TestPlatform::setPageAddress(const QString& appID, const QString& url)
{
    sim_.pages.setAddress(appID.toStdString(), optional(url));
}

void TestPlatform::activate(const QString& appID)
{
    model_.applicationActivated(optional(appID));
}

void TestPlatform::hit(const QString& mappingID, int times)
{
    CompiledMapping mapping;
    mapping.mappingID = Uuid::parse(mappingID.toStdString()).value_or(Uuid{});
    for (int i = 0; i < times; ++i) {
        model_.recordHit(mapping, std::nullopt);
    }
}

QString TestPlatform::addGroupOf(int count)
{
    // 100 keys under each of the 15 non-empty modifier sets.
    RuleGroup group("大组");
    for (int i = 0; i < count; ++i) {
        const auto modifiers = static_cast<std::uint64_t>((i / 100) % 15 + 1) << 17;
        group.mappings.emplace_back(Trigger::key(Combo(i % 100, modifiers)),
                                    Action::keys(Combo(i % 100, mod::control)));
    }
    const QString id = QString::fromStdString(group.id.string());
    model_.addGroup(std::move(group));
    return id;
}

QuickFixture::QuickFixture(ui::AppDirectory& apps)
    : model(AppPlatform{sim.tap, sim.output, sim.frontmost, sim.pages, sim.workspace, sim.notifier, permission,
                        loginItem, local, global},
            storageIn(home), systemClock()),
      state(model, apps)
{}

QuickSetup::QuickSetup()
{
    // The tests draw offscreen unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) {
        qputenv("QT_QUICK_BACKEND", "software");
    }
    apps_.apps = {{"org.example.Editor", "Editor"}, {"org.example.Mail", "Mail"}, {"org.example.Music", "Music"}};
    apps_.runningIDs = {"org.example.Mail", "norvane", "org.example.Editor"};
    installAppNameSource(std::make_shared<ListNames>(apps_.apps));
}

QuickSetup::~QuickSetup()
{
    installAppNameSource(nullptr);
}

void QuickSetup::applicationAvailable()
{
    const QString icon = files_.path() + "/editor.png";
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(QColor(40, 120, 220));
    image.save(icon);
    apps_.icons["org.example.Editor"] = icon.toStdString();

    qmlRegisterSingletonType<ui::AppState>("Norvane", 1, 0, "AppState", [](QQmlEngine*, QJSEngine*) -> QObject* {
        QQmlEngine::setObjectOwnership(&current->state, QQmlEngine::CppOwnership);
        return &current->state;
    });
    qmlRegisterSingletonType<ui::ActivityBackend>("Norvane", 1, 0, "Activity", [](QQmlEngine*, QJSEngine*) -> QObject* {
        QQmlEngine::setObjectOwnership(&current->activity, QQmlEngine::CppOwnership);
        return &current->activity;
    });
    qmlRegisterSingletonType<ui::GroupBackend>("Norvane", 1, 0, "GroupEditor", [](QQmlEngine*, QJSEngine*) -> QObject* {
        QQmlEngine::setObjectOwnership(&current->group, QQmlEngine::CppOwnership);
        return &current->group;
    });
    qmlRegisterSingletonType<ui::MappingsBackend>("Norvane", 1, 0, "Mappings", [](QQmlEngine*, QJSEngine*) -> QObject* {
        QQmlEngine::setObjectOwnership(&current->mappings, QQmlEngine::CppOwnership);
        return &current->mappings;
    });
    qmlRegisterSingletonType<ui::GeneralBackend>("Norvane", 1, 0, "General", [](QQmlEngine*, QJSEngine*) -> QObject* {
        QQmlEngine::setObjectOwnership(&current->general, QQmlEngine::CppOwnership);
        return &current->general;
    });
    qmlRegisterSingletonType<GeneralTestHooks>(
        "NorvaneTest", 1, 0, "GeneralTest", [](QQmlEngine*, QJSEngine*) -> QObject* {
            QQmlEngine::setObjectOwnership(&current->generalHooks, QQmlEngine::CppOwnership);
            return &current->generalHooks;
        });
    qmlRegisterSingletonType<TestPlatform>(
        "NorvaneTest", 1, 0, "TestPlatform", [](QQmlEngine*, QJSEngine*) -> QObject* {
            QQmlEngine::setObjectOwnership(&current->platform, QQmlEngine::CppOwnership);
            return &current->platform;
        });
}

void QuickSetup::qmlEngineAvailable(QQmlEngine* engine)
{
    current.reset();
    current = std::make_unique<QuickFixture>(apps_);
    ui::registerControls(*engine, apps_);
}

void QuickSetup::cleanupTestCase()
{
    current.reset();
}

} // namespace norvane::test
