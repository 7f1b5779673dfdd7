// imgtool and edbtool as a user runs them, on paths that are no file and
// outputs that refuse data: a message and the documented status, no hang.
#include "child_process.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

namespace {

using namespace child_process;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

struct InputCase {
    const char* name;
    std::function<std::string(const TempFolder&)> make; // answers the path
    const char* says;
};
void PrintTo(const InputCase& c, std::ostream* os)
{
    *os << c.name;
}

const InputCase kInputs[] = {
    {"folder", [](const TempFolder& f) { return f.path(); }, "is a folder, not a file"},
    {"fifo",
     [](const TempFolder& f) {
         ::mkfifo(f.file("x").c_str(), 0600);
         return f.file("x");
     },
     "is not a regular file"},
    {"device", [](const TempFolder&) { return std::string("/dev/zero"); }, "is not a regular file"},
    {"missing", [](const TempFolder& f) { return f.file("none"); }, "does not exist"},
};

class ImageInput : public ::testing::TestWithParam<InputCase> {};

TEST_P(ImageInput, VerifySaysWhatThePathIs)
{
    TempFolder folder;
    const std::string path = GetParam().make(folder);
    const Outcome r = runChild(IMGTOOL, {"verify", path}, {}, std::chrono::seconds(20));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(contains(r.err, path + " " + GetParam().says)) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Paths, ImageInput, ::testing::ValuesIn(kInputs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ImageOutput, AFullStandardOutputFails)
{
    for (const char* command : {"inspect", "verify"}) {
        const Outcome r = runChild(IMGTOOL, {command, GEARCALC_IMAGE}, "/dev/full");
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_TRUE(contains(r.err, "imgtool: cannot write the output")) << r.err;
    }
}

TEST(CatalogueToolOutput, AFullStandardOutputFails)
{
    const std::string catalogue = std::string(GEARCALC_DIST_DIR) + "/ZKD.edb";
    for (const std::vector<std::string>& args : {std::vector<std::string>{"export", catalogue},
                                                 std::vector<std::string>{"info", catalogue},
                                                 std::vector<std::string>{"check", catalogue},
                                                 std::vector<std::string>{"--help"}}) {
        const Outcome r = runChild(EDBTOOL, args, "/dev/full");
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_TRUE(contains(r.err, "edbtool: cannot write the output")) << r.err;
    }
}

TEST(CatalogueToolInput, AFifoInPlaceOfACatalogueIsRefusedAtOnce)
{
    TempFolder folder;
    ::mkfifo(folder.file("ZKD.edb").c_str(), 0600);
    for (const char* command : {"info", "check", "export"}) {
        const Outcome r = runChild(EDBTOOL, {command, folder.file("ZKD.edb")}, {}, std::chrono::seconds(20));
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_TRUE(contains(r.err, "不是普通文件")) << r.err;
    }
}

} // namespace
