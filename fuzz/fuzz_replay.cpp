// Runs a fuzz target over seed folders and files without libFuzzer, so its
// corpus is a test under any compiler: the target aborts on any broken
// property, which fails the test. At least one input must be given.
#include "replay_inputs.hpp"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    const auto files = fuzz::replayInputs(argc, argv);
    for (const auto& file : files) {
        const std::vector<uint8_t> bytes = fuzz::fileBytes(file);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
    return files.empty() ? 1 : 0;
}
