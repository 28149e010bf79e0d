#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace norvane::linux_common {

// A string member of a compositor's JSON reply, or "" when it is missing or
// not a string: window managers leave fields out or null them freely.
inline std::string jsonText(const nlohmann::json& node, const char* key)
{
    const auto it = node.find(key);
    return it != node.end() && it->is_string() ? it->get<std::string>() : std::string();
}

} // namespace norvane::linux_common
