#include "platform/atomic_file.h"

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

mode_t mode(const fs::path& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

std::vector<std::string> names(const fs::path& dir)
{
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(dir)) {
        out.push_back(entry.path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

class AtomicFileTest : public testing::Test {
protected:
    QTemporaryDir tmp;
    fs::path dir{tmp.path().toStdString()};
};

TEST_F(AtomicFileTest, ReplacesTheFileALinkPointsToAndKeepsItsPermissions)
{
    const auto real = dir / "dotfiles" / "config.json";
    ASSERT_EQ(writeFileAtomically(real.string(), "old", {.makeFolders = true}), std::nullopt);
    ::chmod(real.c_str(), 0600);
    fs::create_symlink(real, dir / "link.json");

    ASSERT_EQ(writeFileAtomically((dir / "link.json").string(), "new"), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(dir / "link.json"));
    EXPECT_EQ(read(real), "new");
    EXPECT_EQ(mode(real), 0600U);
    EXPECT_EQ(names(real.parent_path()), std::vector<std::string>{"config.json"});

    // A new file gets the usual permissions, not those of a temporary file.
    const mode_t mask = ::umask(022);
    ASSERT_EQ(writeFileAtomically((dir / "fresh").string(), ""), std::nullopt);
    ::umask(mask);
    EXPECT_EQ(mode(dir / "fresh"), 0644U);
}

TEST_F(AtomicFileTest, CopyCanRefuseToReplaceAndReportsAMissingSource)
{
    ASSERT_EQ(writeFileAtomically((dir / "a").string(), "first"), std::nullopt);
    ASSERT_EQ(writeFileAtomically((dir / "b").string(), "second"), std::nullopt);

    const auto refused = copyFileAtomically((dir / "a").string(), (dir / "b").string(), {.replace = false});
    ASSERT_TRUE(refused.has_value());
    EXPECT_NE(refused->find("exists"), std::string::npos) << *refused;
    EXPECT_EQ(read(dir / "b"), "second");

    EXPECT_EQ(copyFileAtomically((dir / "a").string(), (dir / "b").string()), std::nullopt);
    EXPECT_EQ(read(dir / "b"), "first");
    EXPECT_EQ(copyFileAtomically((dir / "a").string(), (dir / "c").string(), {.replace = false}), std::nullopt);
    EXPECT_EQ(read(dir / "c"), "first");

    const auto missing = copyFileAtomically((dir / "none").string(), (dir / "d").string());
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->rfind((dir / "none").string(), 0), 0U) << *missing;
    EXPECT_EQ(names(dir), (std::vector<std::string>{"a", "b", "c"}));
}

} // namespace
} // namespace norvane::test
