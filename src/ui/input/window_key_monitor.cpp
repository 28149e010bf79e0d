#include "ui/input/window_key_monitor.h"

#include "model/combo.h"
#include "platform/linux/input/key_translation.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <linux/input-event-codes.h>

namespace norvane::ui {

namespace {

// X11 and Wayland report the evdev code plus 8 as the native scan code.
constexpr quint32 xkbOffset = 8;

// For platforms without scan codes (the offscreen one): the keys a
// person is likely to record.
std::optional<std::uint16_t> evdevForQtKey(int key)
{
    static const std::map<int, std::uint16_t> table = {
        {Qt::Key_Escape, KEY_ESC},   {Qt::Key_Tab, KEY_TAB},       {Qt::Key_Backspace, KEY_BACKSPACE},
        {Qt::Key_Return, KEY_ENTER}, {Qt::Key_Enter, KEY_KPENTER}, {Qt::Key_Delete, KEY_DELETE},
        {Qt::Key_Space, KEY_SPACE},  {Qt::Key_Left, KEY_LEFT},     {Qt::Key_Right, KEY_RIGHT},
        {Qt::Key_Up, KEY_UP},        {Qt::Key_Down, KEY_DOWN},     {Qt::Key_Home, KEY_HOME},
        {Qt::Key_End, KEY_END},      {Qt::Key_PageUp, KEY_PAGEUP}, {Qt::Key_PageDown, KEY_PAGEDOWN},
        {Qt::Key_A, KEY_A},          {Qt::Key_B, KEY_B},           {Qt::Key_C, KEY_C},
        {Qt::Key_D, KEY_D},          {Qt::Key_E, KEY_E},           {Qt::Key_F, KEY_F},
        {Qt::Key_G, KEY_G},          {Qt::Key_H, KEY_H},           {Qt::Key_I, KEY_I},
        {Qt::Key_J, KEY_J},          {Qt::Key_K, KEY_K},           {Qt::Key_L, KEY_L},
        {Qt::Key_M, KEY_M},          {Qt::Key_N, KEY_N},           {Qt::Key_O, KEY_O},
        {Qt::Key_P, KEY_P},          {Qt::Key_Q, KEY_Q},           {Qt::Key_R, KEY_R},
        {Qt::Key_S, KEY_S},          {Qt::Key_T, KEY_T},           {Qt::Key_U, KEY_U},
        {Qt::Key_V, KEY_V},          {Qt::Key_W, KEY_W},           {Qt::Key_X, KEY_X},
        {Qt::Key_Y, KEY_Y},          {Qt::Key_Z, KEY_Z},           {Qt::Key_0, KEY_0},
        {Qt::Key_1, KEY_1},          {Qt::Key_2, KEY_2},           {Qt::Key_3, KEY_3},
        {Qt::Key_4, KEY_4},          {Qt::Key_5, KEY_5},           {Qt::Key_6, KEY_6},
        {Qt::Key_7, KEY_7},          {Qt::Key_8, KEY_8},           {Qt::Key_9, KEY_9},
        {Qt::Key_F1, KEY_F1},        {Qt::Key_F2, KEY_F2},         {Qt::Key_F3, KEY_F3},
        {Qt::Key_F4, KEY_F4},        {Qt::Key_F5, KEY_F5},         {Qt::Key_F6, KEY_F6},
        {Qt::Key_F7, KEY_F7},        {Qt::Key_F8, KEY_F8},         {Qt::Key_F9, KEY_F9},
        {Qt::Key_F10, KEY_F10},      {Qt::Key_F11, KEY_F11},       {Qt::Key_F12, KEY_F12},
    };
    const auto it = table.find(key);
    return it == table.end() ? std::nullopt : std::optional(it->second);
}

std::uint64_t flagsFor(Qt::KeyboardModifiers m)
{
    std::uint64_t flags = 0;
    flags |= m.testFlag(Qt::ControlModifier) ? mod::control : 0;
    flags |= m.testFlag(Qt::AltModifier) ? mod::option : 0;
    flags |= m.testFlag(Qt::ShiftModifier) ? mod::shift : 0;
    flags |= m.testFlag(Qt::MetaModifier) ? mod::command : 0;
    return flags;
}

} // namespace

WindowKeyMonitor::WindowKeyMonitor(QObject* parent) : QObject(parent) {}

WindowKeyMonitor::~WindowKeyMonitor()
{
    if (installed_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

std::optional<PressMonitor::Token> WindowKeyMonitor::add(Watch watch, Handler handler)
{
    if (watch != Watch::keys || QCoreApplication::instance() == nullptr) {
        return std::nullopt;
    }
    if (!installed_) {
        QCoreApplication::instance()->installEventFilter(this);
        installed_ = true;
    }
    const Token token = next_++;
    handlers_.emplace(token, std::move(handler));
    return token;
}

void WindowKeyMonitor::remove(Token token)
{
    handlers_.erase(token);
}

std::optional<MonitoredPress> WindowKeyMonitor::pressFor(const QKeyEvent& event)
{
    std::optional<std::uint16_t> evdev;
    if (event.nativeScanCode() > xkbOffset) {
        evdev = static_cast<std::uint16_t>(event.nativeScanCode() - xkbOffset);
    } else {
        evdev = evdevForQtKey(event.key());
    }
    if (!evdev || *evdev >= KEY_CNT || linux_input::keyKind(*evdev) != linux_input::KeyKind::key) {
        return std::nullopt;
    }
    return MonitoredPress::key(linux_input::virtualKeyFor(*evdev), flagsFor(event.modifiers()));
}

bool WindowKeyMonitor::eventFilter(QObject* watched, QEvent* event)
{
    const bool isKey = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride ||
                       event->type() == QEvent::KeyRelease;
    if (!isKey || handlers_.empty() || !watched->isWindowType()) {
        return QObject::eventFilter(watched, event);
    }
    const auto& key = static_cast<const QKeyEvent&>(*event);
    const auto press = pressFor(key);
    if (!press) {
        return false;
    }
    if (event->type() == QEvent::KeyPress && !key.isAutoRepeat()) {
        // A handler may end the recording, removing itself and others.
        auto handlers = handlers_;
        for (auto& [token, handler] : handlers) {
            if (handlers_.count(token) != 0) {
                handler(*press);
            }
        }
    }
    return true;
}

} // namespace norvane::ui
