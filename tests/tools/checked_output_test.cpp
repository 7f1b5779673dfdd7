// Output written in blocks, in the caller's thread or behind it: every byte
// arrives once and in order, and a failed write stops what follows and is
// reported.
#include <gear_tools/output.hpp>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

using gear_tools::CheckedOutput;

// A sink that keeps what it gets and refuses from block `fail_at` on.
struct Recorder {
    std::mutex mutex;
    std::vector<std::string> blocks;
    std::size_t fail_at = SIZE_MAX;

    CheckedOutput::Sink sink()
    {
        return [this](std::string_view bytes) -> std::string {
            const std::lock_guard lock(mutex);
            if (blocks.size() >= fail_at) return "No space left on device";
            blocks.emplace_back(bytes);
            return {};
        };
    }
    std::string all()
    {
        std::string out;
        for (const std::string& b : blocks) out += b;
        return out;
    }
};

// Lines of varying length, numbered, so that a lost, repeated or swapped
// piece shows.
std::string lineOf(int i)
{
    return std::to_string(i) + ":" + std::string(static_cast<std::size_t>(i % 97), 'x') + "\n";
}

TEST(CheckedOutput, EveryByteOnceAndInOrderInTheCallersThreadOrBehindIt)
{
    for (const bool behind : {false, true}) {
        Recorder recorder;
        std::string expected;
        {
            CheckedOutput out(recorder.sink());
            if (behind) out.writeBehind();
            for (int i = 0; i < 20000; ++i) {
                out.add(lineOf(i));
                expected += lineOf(i);
                if (i == 7000) {
                    EXPECT_TRUE(out.flush()); // everything so far has arrived
                    const std::lock_guard lock(recorder.mutex);
                    EXPECT_EQ(recorder.all(), expected);
                }
            }
        } // the rest goes at the end
        EXPECT_EQ(recorder.all(), expected) << (behind ? "behind" : "in the caller's thread");
        EXPECT_GT(recorder.blocks.size(), 5u);
    }
}

TEST(CheckedOutput, AFailedWriteStopsWhatFollowsAndIsReported)
{
    for (const bool behind : {false, true}) {
        Recorder recorder;
        recorder.fail_at = 2;
        CheckedOutput out(recorder.sink());
        if (behind) out.writeBehind();
        int added = 0;
        for (; added < 100000 && !out.failed(); ++added) out.add(lineOf(added));
        EXPECT_LT(added, 100000) << "the failure was never seen";
        EXPECT_FALSE(out.flush());
        EXPECT_TRUE(out.failed());
        EXPECT_EQ(out.error(), "No space left on device");
        out.add("more");
        EXPECT_FALSE(out.flush());
        const std::lock_guard lock(recorder.mutex);
        ASSERT_EQ(recorder.blocks.size(), 2u);
        std::string expected;
        for (int i = 0; expected.size() < recorder.all().size(); ++i) expected += lineOf(i);
        EXPECT_EQ(recorder.all(), expected); // whole blocks, the first two
    }
}

TEST(CheckedOutput, NothingAddedWritesNothing)
{
    Recorder recorder;
    {
        CheckedOutput out(recorder.sink());
        out.writeBehind();
        out.writeBehind(); // a second call changes nothing
        EXPECT_TRUE(out.flush());
    }
    EXPECT_TRUE(recorder.blocks.empty());
}

} // namespace
