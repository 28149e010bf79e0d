#include "platform/linux/workspace/i3_tree.h"

#include "platform/linux/common/json_text.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace norvane::linux_workspace {

using linux_common::jsonText;

namespace {

using nlohmann::json;

std::int64_t number(const json& node, const char* key)
{
    const auto it = node.find(key);
    return it != node.end() && it->is_number_integer() ? it->get<std::int64_t>() : 0;
}

const json& children(const json& node, const char* key)
{
    static const json none = json::array();
    const auto it = node.find(key);
    return it != node.end() && it->is_array() ? *it : none;
}

bool isWindow(const json& node)
{
    const auto type = jsonText(node, "type");
    if (type != "con" && type != "floating_con") {
        return false;
    }
    if (!children(node, "nodes").empty() || !children(node, "floating_nodes").empty()) {
        return false;
    }
    return number(node, "window") != 0 || number(node, "pid") > 0 || node.contains("app_id");
}

I3Window readWindow(const json& node, bool inScratchpad, bool inFloating)
{
    I3Window w;
    w.conID = number(node, "id");
    w.xWindow = static_cast<std::uint32_t>(number(node, "window"));
    w.identity.appID = jsonText(node, "app_id");
    w.identity.pid = static_cast<int>(number(node, "pid"));
    if (const auto props = node.find("window_properties"); props != node.end() && props->is_object()) {
        w.identity.wmClass = jsonText(*props, "class");
        w.identity.wmInstance = jsonText(*props, "instance");
        if (number(*props, "transient_for") != 0) {
            w.userFacing = false;
        }
    }
    if (const auto type = jsonText(node, "window_type"); !type.empty() && type != "normal" && type != "unknown") {
        w.userFacing = false;
    }
    const auto floating = jsonText(node, "floating");
    w.floating = inFloating || jsonText(node, "type") == "floating_con" || floating.ends_with("_on");
    w.scratchpad = inScratchpad;
    return w;
}

// Children in the order they last had focus; those never focused last.
std::vector<const json*> inFocusOrder(const json& node)
{
    std::vector<const json*> all;
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const auto& child : children(node, key)) {
            all.push_back(&child);
        }
    }
    std::vector<const json*> ordered;
    for (const auto& id : children(node, "focus")) {
        if (!id.is_number_integer()) {
            continue;
        }
        const auto it = std::find_if(all.begin(), all.end(),
                                     [&](const json* c) { return number(*c, "id") == id.get<std::int64_t>(); });
        if (it != all.end()) {
            ordered.push_back(*it);
            all.erase(it);
        }
    }
    ordered.insert(ordered.end(), all.begin(), all.end());
    return ordered;
}

struct Walk {
    I3Tree tree;
    std::int64_t focusedID = 0;
    bool focusedIsContainer = false;

    void visit(const json& node, bool scratch, bool floating)
    {
        const auto type = jsonText(node, "type");
        scratch = scratch || (type == "workspace" && jsonText(node, "name") == "__i3_scratch");
        floating = floating || type == "floating_con";
        if (const auto f = node.find("focused");
            f != node.end() && f->is_boolean() && f->get<bool>() && focusedID == 0) {
            focusedID = number(node, "id");
            focusedIsContainer = !isWindow(node);
        }
        if (isWindow(node)) {
            tree.windows.push_back(readWindow(node, scratch, floating));
            return;
        }
        for (const auto* child : inFocusOrder(node)) {
            visit(*child, scratch, floating);
        }
    }
};

// The window a focused split container stands for: its most recently
// focused descendant. An empty workspace stands for none.
std::optional<std::int64_t> focusedLeaf(const json& node, std::int64_t focusedID, bool within)
{
    const bool here = within || number(node, "id") == focusedID;
    if (isWindow(node)) {
        return here ? std::optional(number(node, "id")) : std::nullopt;
    }
    for (const auto* child : inFocusOrder(node)) {
        if (auto found = focusedLeaf(*child, focusedID, here)) {
            return found;
        }
        if (here) {
            return std::nullopt; // the most recent child holds no window
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<I3Tree> parseI3Tree(std::string_view payload)
{
    const auto root = json::parse(payload, nullptr, false);
    if (!root.is_object() || !root.contains("nodes")) {
        return std::nullopt;
    }
    try {
        Walk walk;
        walk.visit(root, false, false);
        if (walk.focusedID != 0) {
            const auto leaf =
                walk.focusedIsContainer ? focusedLeaf(root, walk.focusedID, false) : std::optional(walk.focusedID);
            if (leaf) {
                for (const auto& w : walk.tree.windows) {
                    if (w.conID == *leaf && !w.scratchpad) {
                        walk.tree.focused = w;
                    }
                }
            }
        }
        return std::move(walk.tree);
    } catch (const json::exception&) {
        return std::nullopt;
    }
}

std::optional<I3Window> parseI3WindowEvent(std::string_view payload, std::string* change)
{
    const auto event = json::parse(payload, nullptr, false);
    if (!event.is_object()) {
        return std::nullopt;
    }
    try {
        if (change) {
            *change = jsonText(event, "change");
        }
        const auto container = event.find("container");
        if (container == event.end() || !container->is_object() || !isWindow(*container)) {
            return std::nullopt;
        }
        return readWindow(*container, false, false);
    } catch (const json::exception&) {
        return std::nullopt;
    }
}

} // namespace norvane::linux_workspace
