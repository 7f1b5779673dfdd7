// Output files of edbtool: what it may replace, and how. A file is written
// under a temporary name beside its target and renamed over it when
// complete; before that, the target is checked so that nothing is replaced
// that the user did not ask to replace.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace edbtool {

// What a command writes, for the check of an existing file at the target.
enum class OutputKind {
    Catalogue, // may replace a catalogue file or an empty file
    Csv,       // may replace anything but a catalogue file
    Text,      // the same, for what a command prints (--output)
};

struct OutputTarget {
    std::string path; // the file to create or replace: symbolic links followed
    bool exists = false;
    unsigned mode = 0; // the permission bits of the file it replaces
};

// Checks the output path `path` of a command reading `inputs`. A symbolic
// link is followed (the link stays and points at the new file); refused are:
// a dangling link, a folder, anything but a regular file (a device, a FIFO,
// a socket), an input of the same command, a read-only file, a file with
// other names (hard links, which would keep the old content), and a file of
// the other kind (CSV over a catalogue, a catalogue over a non-empty file
// that is no catalogue). Returns an empty string or the reason, naming the
// path.
std::string checkOutput(const std::string& path, OutputKind kind, const std::vector<std::string>& inputs,
                        OutputTarget& target);

// Gives a replaced file's permission bits to the new file at the target.
void keepMode(const OutputTarget& target);

// A checked target written piece by piece: into a temporary file beside
// it, every write checked, renamed over the target by commit(). Until then
// the target stays as it was; a file that is not committed is removed.
class ReplacingFile {
public:
    explicit ReplacingFile(OutputTarget target) : target_(std::move(target)) {}
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Each returns an empty string or the reason; after a failure nothing
    // more is written and nothing can be committed.
    std::string write(std::string_view bytes);
    std::string commit();

private:
    std::string fail(std::string why);

    OutputTarget target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    std::string error_;
    bool committed_ = false;
};

// Writes `bytes` to the checked target as a ReplacingFile. Returns an empty
// string or the reason.
std::string writeFileAtomically(const OutputTarget& target, std::string_view bytes);

} // namespace edbtool
