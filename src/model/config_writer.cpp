// Writes the version-2 document straight from the model, without building a
// JSON tree first: a large configuration is saved several times faster, and
// the bytes are exactly those of the tree from toJson() pretty printed by
// nlohmann::json with two-space indentation (the tests hold them equal).
#include "model/config_document.h"

#include <array>

namespace norvane {

namespace {

// Length of the well-formed UTF-8 sequence at the start of s, 0 when the
// bytes there are not one.
std::size_t utf8SequenceLength(std::string_view s) noexcept
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const auto cont = [&](std::size_t i, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
        return i < s.size() && byte(i) >= lo && byte(i) <= hi;
    };
    const auto b0 = byte(0);
    if (b0 < 0x80) {
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        return cont(1) ? 2 : 0;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80;
        const unsigned char hi = b0 == 0xED ? 0x9F : 0xBF; // no surrogates
        return cont(1, lo, hi) && cont(2) ? 3 : 0;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80;
        const unsigned char hi = b0 == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
        return cont(1, lo, hi) && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

class PrettyWriter {
public:
    explicit PrettyWriter(std::string& out) : out_(out) {}

    void open(char bracket)
    {
        out_ += bracket;
        ++depth_;
        hasItems_.at(depth_) = false;
    }
    void close(char bracket)
    {
        if (hasItems_.at(depth_)) {
            --depth_;
            newline();
        } else {
            --depth_;
        }
        out_ += bracket;
    }
    // Starts the next array element.
    void item()
    {
        if (hasItems_.at(depth_)) {
            out_ += ',';
        }
        hasItems_.at(depth_) = true;
        newline();
    }
    // Starts the next object member; keys must come in ascending order.
    void key(std::string_view k)
    {
        item();
        string(k);
        out_ += ": ";
    }

    void string(std::string_view s)
    {
        static constexpr char hex[] = "0123456789abcdef";
        out_ += '"';
        while (!s.empty()) {
            const auto c = static_cast<unsigned char>(s[0]);
            if (c == '"' || c == '\\') {
                out_ += '\\';
                out_ += static_cast<char>(c);
            } else if (c < 0x20) {
                out_ += '\\';
                switch (c) {
                case '\b':
                    out_ += 'b';
                    break;
                case '\f':
                    out_ += 'f';
                    break;
                case '\n':
                    out_ += 'n';
                    break;
                case '\r':
                    out_ += 'r';
                    break;
                case '\t':
                    out_ += 't';
                    break;
                default:
                    out_ += "u00";
                    out_ += hex[c >> 4U];
                    out_ += hex[c & 0xFU];
                    break;
                }
            } else if (const auto n = utf8SequenceLength(s); n > 0) {
                out_.append(s.data(), n);
                s.remove_prefix(n - 1);
            } else {
                out_ += "\xEF\xBF\xBD"; // U+FFFD for a byte that is not UTF-8
            }
            s.remove_prefix(1);
        }
        out_ += '"';
    }
    void boolean(bool b) { out_ += b ? "true" : "false"; }
    void number(std::int64_t n) { out_ += std::to_string(n); }

    void stringArray(const std::vector<std::string>& list)
    {
        open('[');
        for (const auto& s : list) {
            item();
            string(s);
        }
        close(']');
    }

private:
    void newline()
    {
        out_ += '\n';
        out_.append(static_cast<std::size_t>(depth_) * 2, ' ');
    }

    std::string& out_;
    int depth_ = 0;
    std::array<bool, 8> hasItems_{}; // the document nests six levels deep
};

void write(PrettyWriter& w, const Action& action)
{
    std::optional<std::string_view> app;
    std::optional<Combo> keys;
    std::optional<MediaKey> media;
    if (const auto* a = action.as<KeysAction>()) {
        keys = a->combo;
    } else if (const auto* m = action.as<MediaAction>()) {
        media = m->key;
    } else if (const auto* s = action.as<SendKeysAction>()) {
        app = s->app;
        keys = s->combo;
    } else if (const auto* o = action.as<OpenAppAction>()) {
        app = o->app;
    }
    w.open('{');
    if (app) {
        w.key("app");
        w.string(*app);
    }
    if (keys) {
        w.key("keys");
        w.string(keys->string());
    }
    if (media) {
        w.key("media");
        w.string(info(*media).id);
    }
    w.key("type");
    w.string(info(action.kind()).id);
    w.close('}');
}

void write(PrettyWriter& w, const Mapping& m)
{
    w.open('{');
    if (m.action) {
        w.key("action");
        write(w, *m.action);
    }
    w.key("enabled");
    w.boolean(m.enabled);
    w.key("id");
    w.string(m.id.string());
    w.key("note");
    w.string(m.note);
    if (m.trigger) {
        w.key("trigger");
        w.string(m.trigger->string());
    }
    w.close('}');
}

void write(PrettyWriter& w, const RuleGroup& g)
{
    w.open('{');
    w.key("enabled");
    w.boolean(g.enabled);
    w.key("id");
    w.string(g.id.string());
    w.key("mappings");
    w.open('[');
    for (const auto& m : g.mappings) {
        w.item();
        write(w, m);
    }
    w.close(']');
    w.key("name");
    w.string(g.name);
    w.key("scope");
    w.open('{');
    w.key("apps");
    w.stringArray(g.scope.apps);
    w.key("mode");
    w.string(rawValue(g.scope.mode));
    w.key("urls");
    w.stringArray(g.scope.urls);
    w.close('}');
    w.close('}');
}

} // namespace

std::string encodeConfig(const ConfigFile& file)
{
    std::string out;
    out.reserve(1024 + file.groups.size() * 512);
    PrettyWriter w(out);
    w.open('{');
    w.key("groups");
    w.open('[');
    for (const auto& g : file.groups) {
        w.item();
        write(w, g);
    }
    w.close(']');
    w.key("preferences");
    w.open('{');
    w.key("showHUD");
    w.boolean(file.preferences.showHUD);
    w.close('}');
    w.key("version");
    w.number(file.version);
    w.close('}');
    out += '\n';
    return out;
}

} // namespace norvane
