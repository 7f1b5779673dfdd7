// Runs the fuzz target over a corpus without libFuzzer, so the corpus is a
// test under any compiler. Files named valid_* must be read as images,
// damaged_* must be refused; any other file only must not crash.
#include "replay_inputs.hpp"

#include <gearimg/image.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const std::vector<fs::path> files = fuzz::replayInputs(argc, argv);
    int passed = 0, failed = 0;
    for (const fs::path& file : files) {
        const std::vector<uint8_t> bytes = fuzz::fileBytes(file);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        const std::string name = file.filename().string();
        const gr::image::Result<gr::image::Image> r = gr::image::readImage(bytes);
        const bool want_valid = name.rfind("valid_", 0) == 0, want_damaged = name.rfind("damaged_", 0) == 0;
        if ((want_valid && !r) || (want_damaged && r)) {
            ++failed;
            std::printf("FAIL %s: %s\n", name.c_str(), r ? "read, but it is damaged" : r.error().message.c_str());
        } else {
            ++passed;
            std::printf("ok   %s%s%s\n", name.c_str(), r ? "" : ": ", r ? "" : r.error().message.c_str());
        }
    }
    if (files.empty()) std::printf("no inputs\n");
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && !files.empty() ? 0 : 1;
}
