// The platform layer's own logic: reading a path of unknown length without
// cutting it, and the POSIX stand-in for the user's registry key.
#include <gearplat/growing_read.hpp>
#include <gearplat/platform.hpp>
#include <gearlaunch/posix_settings.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace gearlaunch {
namespace {

// Stand-ins for the two kinds of API: readlink stores as much as fits and
// says how much it stored; GetModuleFileNameW keeps room for a NUL and
// returns the full capacity when it had to cut.
struct Source {
    std::string text;
    std::size_t largestCapacity = 0;
    int calls = 0;

    long long readlinkLike(char* buffer, std::size_t capacity)
    {
        ++calls;
        largestCapacity = std::max(largestCapacity, capacity);
        const std::size_t n = std::min(text.size(), capacity);
        std::memcpy(buffer, text.data(), n);
        return static_cast<long long>(n);
    }

    long long moduleFileNameLike(char* buffer, std::size_t capacity)
    {
        ++calls;
        largestCapacity = std::max(largestCapacity, capacity);
        const std::size_t n = std::min(text.size(), capacity - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
        return static_cast<long long>(text.size() >= capacity ? capacity : n);
    }
};

TEST(GrowingRead, ReturnsEveryLengthWholeOrNothing)
{
    for (std::size_t length : {1u, 127u, 128u, 129u, 255u, 256u, 257u, 1000u, 4095u, 4096u, 4097u}) {
        Source a{std::string(length, 'x') + "/end"};
        EXPECT_EQ(gearplat::readGrowing<char>([&](char* b, std::size_t c) { return a.readlinkLike(b, c); }, 128, 8192), a.text) << length;
        Source w{a.text};
        EXPECT_EQ(gearplat::readGrowing<char>([&](char* b, std::size_t c) { return w.moduleFileNameLike(b, c); }, 128, 8192), w.text) << length;
    }
}

TEST(GrowingRead, GivesUpAtTheLimitInsteadOfCutting)
{
    // A text that fills the largest buffer allowed may have been cut.
    Source exact{std::string(512, 'p')};
    EXPECT_EQ(gearplat::readGrowing<char>([&](char* b, std::size_t c) { return exact.readlinkLike(b, c); }, 100, 512), std::nullopt);
    EXPECT_EQ(exact.largestCapacity, 512u);
    Source longer{std::string(5000, 'p')};
    EXPECT_EQ(gearplat::readGrowing<char>([&](char* b, std::size_t c) { return longer.moduleFileNameLike(b, c); }, 100, 512), std::nullopt);
    EXPECT_EQ(longer.largestCapacity, 512u);
    Source fits{std::string(511, 'p')};
    EXPECT_EQ(gearplat::readGrowing<char>([&](char* b, std::size_t c) { return fits.readlinkLike(b, c); }, 100, 512), fits.text);
}

TEST(GrowingRead, AFailedReadIsNotRetried)
{
    int calls = 0;
    EXPECT_EQ(gearplat::readGrowing<char>([&](char*, std::size_t) { return ++calls, -1LL; }, 64, 1024), std::nullopt);
    EXPECT_EQ(gearplat::readGrowing<char>([&](char*, std::size_t) { return ++calls, 0LL; }, 64, 1024), std::nullopt);
    EXPECT_EQ(calls, 2);
}

TEST(PosixSettings, ConfigFolder)
{
    EXPECT_EQ(posix::userConfigFolder("/xdg", "/home/u"), "/xdg");
    EXPECT_EQ(posix::userConfigFolder("relative/xdg", "/home/u"), "/home/u/.config") << "XDG paths must be absolute";
    EXPECT_EQ(posix::userConfigFolder("", "/home/u/"), "/home/u/.config");
    EXPECT_EQ(posix::userConfigFolder(nullptr, "/home/u"), "/home/u/.config");
    EXPECT_EQ(posix::userConfigFolder(nullptr, ""), std::nullopt);
    EXPECT_EQ(posix::userConfigFolder(nullptr, nullptr), std::nullopt);
}

TEST(PosixSettings, KeyToFile)
{
    EXPECT_EQ(posix::settingsFileFor("/c", "Software\\Brakon\\Vela\\Install"), "/c/Brakon/Vela/Install.conf");
    EXPECT_EQ(posix::settingsFileFor("/c/", "SOFTWARE\\Brakon\\Vela\\Install"), "/c/Brakon/Vela/Install.conf");
    EXPECT_EQ(posix::settingsFileFor("/c", "Other\\Key"), "/c/Other/Key.conf");
    for (const char* bad : {"", "Software\\", "Software\\..\\x", "Software\\a\\\\b", "Software\\a/b", "Software\\.\\x"})
        EXPECT_EQ(posix::settingsFileFor("/c", bad), std::nullopt) << bad;
}

TEST(PosixSettings, ValueLines)
{
    EXPECT_EQ(posix::findSettingsValue("Path=/opt/vela\n", "Path"), "/opt/vela");
    EXPECT_EQ(posix::findSettingsValue("\xEF\xBB\xBFpath = /opt/v 5.0 \r\nPath=/second\n", "Path"), "/opt/v 5.0");
    EXPECT_EQ(posix::findSettingsValue("# Path=/no\n; Path=/no\n[Install]\nVersion=5\n  PATH\t=\t/yes", "Path"), "/yes");
    EXPECT_EQ(posix::findSettingsValue("Path=/a=b\n", "Path"), "/a=b");
    EXPECT_EQ(posix::findSettingsValue("Path=\n", "Path"), "");
    EXPECT_EQ(posix::findSettingsValue("Paths=/no\nPath /no\n", "Path"), std::nullopt);
    EXPECT_EQ(posix::findSettingsValue("", "Path"), std::nullopt);
    std::string longValue(1001, 'v');
    longValue[0] = '/';
    EXPECT_EQ(posix::findSettingsValue("Path=" + longValue, "Path"), longValue);
}

TEST(PosixSettings, ReadsLongLinkTargetsWhole)
{
    const std::filesystem::path link = std::filesystem::temp_directory_path() / ("gear_launcher_link_" + std::to_string(::getpid()));
    for (std::size_t length : {10u, 255u, 256u, 3000u}) {
        std::string target(length + 1, 't');
        target[0] = '/';
        std::filesystem::remove(link);
        ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
        EXPECT_EQ(gearplat::readLinkFully(link.c_str()), target) << length;
    }
    std::filesystem::remove(link);
    EXPECT_EQ(gearplat::readLinkFully(link.c_str()), std::nullopt);
    EXPECT_NE(gearplat::readLinkFully("/proc/self/exe"), std::nullopt);
}

} // namespace
} // namespace gearlaunch

namespace gearplat {
namespace {

TEST(SharedPlatform, FolderOfAPath)
{
    const struct {
        const char* path;
        std::optional<std::string> folder;
    } rows[] = {{"/opt/齿轮/gearcalc", "/opt/齿轮/"}, {"/gearcalc", "/"}, {"gearcalc", std::nullopt}, {"", std::nullopt},
                {"/a/b/", "/a/b/"}};
    for (const auto& r : rows) EXPECT_EQ(folderOf(r.path), r.folder) << r.path;
    EXPECT_EQ(withoutTrailingSeparator("/a/b//"), "/a/b");
    EXPECT_EQ(withoutTrailingSeparator("/"), "/");
}

TEST(SharedPlatform, TheRunningProgramAndItsModules)
{
    const std::optional<std::string> exe = executablePath();
    ASSERT_TRUE(exe.has_value());
    const std::optional<std::string> folder = folderOf(*exe);
    ASSERT_TRUE(folder.has_value());
    static int anchor = 0;
    EXPECT_EQ(moduleFolder(&anchor), withoutTrailingSeparator(*folder));
    EXPECT_EQ(findInExecutable("no_such_symbol_in_this_program"), nullptr);
}

TEST(SharedPlatform, ALibraryThatIsNotThereIsNoHandle)
{
    Library missing("/nonexistent/library.so");
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.function<void (*)()>("anything"), nullptr);
    Library libc("libc.so.6");
    ASSERT_TRUE(libc);
    EXPECT_NE(libc.function<void (*)()>("strlen"), nullptr);
    Library moved = std::move(libc);
    EXPECT_FALSE(libc);
    EXPECT_TRUE(moved);
}

} // namespace
} // namespace gearplat
