// The launcher's main routine against a scripted platform: which files it
// loads in which order, when it reads the registry, what it releases before
// the failure message, and what it hands the runtime.
#include <gearlaunch/runtime_entry.h>
#include <gearlaunch/launcher.hpp>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace gearlaunch {
namespace {

// What the runtime stand-ins below saw.
struct RuntimeCalls {
    std::vector<int32_t> keys;
    std::vector<const void*> images;
};
RuntimeCalls calls;

void recordStart(const void* image) { calls.images.push_back(image); }

gear_start_routine entryThatStarts(int32_t key)
{
    calls.keys.push_back(key);
    return key == GEAR_RUNTIME_ENTRY_KEY ? recordStart : nullptr;
}

gear_start_routine entryThatRefuses(int32_t key)
{
    calls.keys.push_back(key);
    return nullptr;
}

// A platform whose files, exports and registry the test sets up; it writes
// every call into `events`.
class ScriptedPlatform : public Platform {
public:
    explicit ScriptedPlatform(char sep = '/') : sep_(sep) {}

    char separator() const override { return sep_; }
    bool isSeparator(char c) const override { return c == sep_ || (sep_ == '\\' && c == '/'); }

    std::optional<std::string> executablePath() override
    {
        events.push_back("path");
        return exe;
    }

    LibraryHandle loadLibrary(const std::string& path) override
    {
        events.push_back("load " + path);
        const auto found = libraries.find(path);
        if (found == libraries.end()) return nullptr;
        loaded.insert(found->second);
        return found->second;
    }

    AnyFunction findFunction(LibraryHandle library, const char* name) override
    {
        events.push_back(std::string("find ") + name);
        const auto found = exports.find(library);
        return found == exports.end() ? nullptr : found->second;
    }

    void freeLibrary(LibraryHandle library) override
    {
        events.push_back("free");
        loaded.erase(library);
    }

    std::optional<std::string> readUserValue(const char* key, const char* name) override
    {
        events.push_back(std::string("registry ") + key + " " + name);
        return installPath;
    }

    void reportFailure(const char* text, const char* caption) override
    {
        events.push_back(std::string("report ") + caption + ": " + text);
        stillLoadedAtReport = loaded.size();
    }

    // A library at `path` whose GetNewSock is `entry` (none when null).
    void addLibrary(const std::string& path, gear_runtime_entry entry)
    {
        static int handles[16];
        LibraryHandle handle = &handles[libraries.size()];
        libraries[path] = handle;
        if (entry != nullptr) exports[handle] = reinterpret_cast<AnyFunction>(entry);
    }

    std::optional<std::string> exe;
    std::optional<std::string> installPath;
    std::map<std::string, LibraryHandle> libraries;
    std::map<LibraryHandle, AnyFunction> exports;
    std::set<LibraryHandle> loaded;
    std::size_t stillLoadedAtReport = 99;
    std::vector<std::string> events;

private:
    char sep_;
};

const std::string kReport = std::string("report Error: ") + kFailureText;
const unsigned char kImage[4] = {'R', 'Q', 0, 0};

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override { calls = {}; }
};

TEST_F(LauncherTest, RuntimeBesideTheProgramStartsWithoutReadingTheRegistry)
{
    ScriptedPlatform p;
    p.exe = "/opt/gear calc/bin.v2/gearcalc";
    p.installPath = "/elsewhere";
    p.addLibrary("/opt/gear calc/bin.v2/tavrn.vlr", entryThatStarts);
    p.addLibrary("/elsewhere/tavrn.vle", entryThatStarts);

    EXPECT_EQ(runLauncher(p, kImage), 0);
    EXPECT_EQ(p.events, (std::vector<std::string>{"path", "load /opt/gear calc/bin.v2/tavrn.vlr", "find GetNewSock"}));
    EXPECT_EQ(calls.keys, std::vector<int32_t>{1000});
    EXPECT_EQ(calls.images, std::vector<const void*>{kImage});
    EXPECT_EQ(p.loaded.size(), 1u) << "the runtime stays loaded after a start";
}

TEST_F(LauncherTest, RegisteredFolderGetsOneSeparatorWithOrWithoutATrailingOne)
{
    for (const char* registered : {"/srv/vela", "/srv/vela/"}) {
        calls = {};
        ScriptedPlatform p;
        p.exe = "/opt/gear/gearcalc";
        p.installPath = registered;
        p.addLibrary("/srv/vela/tavrn.vle", entryThatStarts);
        EXPECT_EQ(runLauncher(p, kImage), 0) << registered;
        EXPECT_EQ(p.events, (std::vector<std::string>{"path", "load /opt/gear/tavrn.vlr",
                                                      "registry Software\\Brakon\\Vela\\Install Path",
                                                      "load /srv/vela/tavrn.vle", "find GetNewSock"}))
            << registered;
        EXPECT_EQ(calls.images, std::vector<const void*>{kImage});
    }
}

TEST_F(LauncherTest, WindowsPathsCutAtTheLastSlashOfEitherKind)
{
    ScriptedPlatform p('\\');
    p.exe = "C:\\Program Files\\Gear.Tools v1.2/calc dir\\gearcalc.exe";
    p.installPath = "D:\\Vela 5.0/";
    p.addLibrary("D:\\Vela 5.0/tavrn.vle", entryThatStarts);
    EXPECT_EQ(runLauncher(p, kImage), 0);
    EXPECT_EQ(p.events.at(1), "load C:\\Program Files\\Gear.Tools v1.2/calc dir\\tavrn.vlr");
    EXPECT_EQ(p.events.at(3), "load D:\\Vela 5.0/tavrn.vle");

    ScriptedPlatform q('\\');
    q.exe = "C:\\gear\\gearcalc.exe";
    q.installPath = "D:\\Vela";
    EXPECT_EQ(runLauncher(q, kImage), kFailureExitCode);
    EXPECT_EQ(q.events.at(3), "load D:\\Vela\\tavrn.vle");
}

TEST_F(LauncherTest, FailsWithoutLoadingWhenTheProgramFolderIsUnknown)
{
    // An unreadable or truncated own path, or one without any folder: a
    // runtime beside the program cannot be ruled out, so the registered one
    // must not be used either.
    for (std::optional<std::string> exe : {std::optional<std::string>(), std::optional<std::string>("gearcalc")}) {
        ScriptedPlatform p;
        p.exe = exe;
        p.installPath = "/srv/vela";
        p.addLibrary("/srv/vela/tavrn.vle", entryThatStarts);
        EXPECT_EQ(runLauncher(p, kImage), kFailureExitCode);
        EXPECT_EQ(p.events, (std::vector<std::string>{"path", kReport}));
    }
}

TEST_F(LauncherTest, EveryMissingPieceGivesTheOneMessage)
{
    struct Setup {
        const char* what;
        std::optional<std::string> installPath;
        std::vector<std::string> events;
    };
    const std::string registry = "registry Software\\Brakon\\Vela\\Install Path";
    const std::vector<Setup> setups = {
        {"no key or no value", std::nullopt, {"path", "load /a/tavrn.vlr", registry, kReport}},
        {"empty value", std::string(), {"path", "load /a/tavrn.vlr", registry, kReport}},
        {"value that is only a NUL", std::string(1, '\0'), {"path", "load /a/tavrn.vlr", registry, kReport}},
        {"no runtime in the folder", std::string("/srv"), {"path", "load /a/tavrn.vlr", registry, "load /srv/tavrn.vle", kReport}},
        {"text ends at a NUL", std::string("/srv\0/x", 7), {"path", "load /a/tavrn.vlr", registry, "load /srv/tavrn.vle", kReport}},
    };
    for (const Setup& s : setups) {
        ScriptedPlatform p;
        p.exe = "/a/gearcalc";
        p.installPath = s.installPath;
        EXPECT_EQ(runLauncher(p, kImage), kFailureExitCode) << s.what;
        EXPECT_EQ(p.events, s.events) << s.what;
    }
}

TEST_F(LauncherTest, AnUnusableRuntimeIsReleasedBeforeTheMessage)
{
    ScriptedPlatform without;
    without.exe = "/a/gearcalc";
    without.addLibrary("/a/tavrn.vlr", nullptr);
    EXPECT_EQ(runLauncher(without, kImage), kFailureExitCode);
    EXPECT_EQ(without.events, (std::vector<std::string>{"path", "load /a/tavrn.vlr", "find GetNewSock", "free", kReport}));
    EXPECT_EQ(without.stillLoadedAtReport, 0u);

    ScriptedPlatform refusing;
    refusing.exe = "/a/gearcalc";
    refusing.addLibrary("/a/tavrn.vlr", entryThatRefuses);
    EXPECT_EQ(runLauncher(refusing, kImage), kFailureExitCode);
    EXPECT_EQ(refusing.events, (std::vector<std::string>{"path", "load /a/tavrn.vlr", "find GetNewSock", "free", kReport}));
    EXPECT_EQ(refusing.stillLoadedAtReport, 0u);
    EXPECT_EQ(calls.keys, std::vector<int32_t>{1000});
    EXPECT_TRUE(calls.images.empty());
}

} // namespace
} // namespace gearlaunch
