#include "fixture_data.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace norvane::testing {

namespace {

FixtureData data;

std::string entry(const std::string& body)
{
    return "[Desktop Entry]\nType=Application\n" + body;
}

} // namespace

void writeFile(const std::string& path, const std::string& content)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << content;
}

const FixtureData& installFixtureData()
{
    char pattern[] = "/tmp/norvane-ws-XXXXXX";
    data.root = mkdtemp(pattern);
    data.dataDir = data.root + "/share";
    data.dataHome = data.root + "/home-share";
    std::filesystem::create_directories(data.dataHome + "/applications");
    const auto self = std::filesystem::read_symlink("/proc/self/exe").string();
    const auto apps = data.dataDir + "/applications/";

    writeFile(apps + "org.example.Editor.desktop",
              entry("Name=Example Editor\nName[zh_CN]=示例编辑器\nExec=true\nIcon=example-editor\n"
                    "StartupWMClass=ExampleEditor\n"));
    writeFile(apps + "viewer.desktop",
              entry("Name=Viewer\nName[zh]=查看器\nExec=true\nIcon=" + data.root + "/viewer.png\n"));
    writeFile(data.root + "/viewer.png", "");
    writeFile(apps + "org.example.Gtk.desktop", entry("Name=Gtk Thing\nExec=true\nIcon=missing-icon\n"));
    writeFile(apps + "vendor/tool.desktop", entry("Name=Tool\nExec=true\nStartupWMClass=ToolClass\n"));
    writeFile(apps + "org.example.Sandboxed.desktop",
              entry("Name=Sandboxed\nExec=true\nX-Flatpak=org.example.Sandboxed\n"));
    writeFile(apps + "snapped_app.desktop", entry("Name=Snapped\nExec=true\nX-SnapInstanceName=snapped\n"));
    writeFile(apps + "helper.desktop", entry("Name=Helper\nExec=true\nNoDisplay=true\n"));
    writeFile(apps + "gone.desktop", entry("Name=Gone\nExec=true\nHidden=true\n"));
    writeFile(apps + "org.example.Launched.desktop",
              entry("Name=Launched\nExec=" + self + " --test-client LaunchedClass\nStartupWMClass=LaunchedClass\n"));

    const auto hicolor = data.dataDir + "/icons/hicolor/";
    writeFile(hicolor + "index.theme", "[Icon Theme]\nName=Hicolor\nDirectories=16x16/apps,48x48/apps,scalable/apps\n\n"
                                       "[16x16/apps]\nSize=16\nType=Threshold\n\n"
                                       "[48x48/apps]\nSize=48\nType=Fixed\n\n"
                                       "[scalable/apps]\nSize=128\nMinSize=8\nMaxSize=512\nType=Scalable\n");
    writeFile(hicolor + "48x48/apps/example-editor.png", "");
    writeFile(hicolor + "scalable/apps/example-editor.svg", "");
    writeFile(hicolor + "16x16/apps/only-small.png", "");
    const auto fancy = data.dataDir + "/icons/Fancy/";
    writeFile(fancy + "index.theme", "[Icon Theme]\nName=Fancy\nInherits=hicolor\nDirectories=24x24/apps\n\n"
                                     "[24x24/apps]\nSize=24\nType=Fixed\n");
    writeFile(fancy + "24x24/apps/example-editor.png", "");
    writeFile(data.dataDir + "/pixmaps/application-x-executable.png", "");

    setenv("XDG_DATA_DIRS", data.dataDir.c_str(), 1);
    setenv("XDG_DATA_HOME", data.dataHome.c_str(), 1);
    setenv("HOME", data.root.c_str(), 1);
    return data;
}

const FixtureData& fixtureData()
{
    return data;
}

void removeFixtureData()
{
    std::error_code ec;
    std::filesystem::remove_all(data.root, ec);
}

} // namespace norvane::testing
