#pragma once

#include <string>

namespace norvane::testing {

// Desktop entries and icons under a temporary directory, with XDG_DATA_DIRS
// and XDG_DATA_HOME pointing there. GLib reads those once per process, so
// each test program's main() installs this before anything else runs.
struct FixtureData {
    std::string root;
    std::string dataDir;  // XDG_DATA_DIRS: applications/, icons/, pixmaps/
    std::string dataHome; // XDG_DATA_HOME: applications/ starts empty
};

const FixtureData& installFixtureData();
const FixtureData& fixtureData();
void removeFixtureData();
void writeFile(const std::string& path, const std::string& content);

} // namespace norvane::testing
