#include "output_file.hpp"

#include <geardb/catalogue_writer.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace edbtool {

namespace {

namespace fs = std::filesystem;

// The first bytes of every SQLite 3 database file.
constexpr std::string_view kSqliteHeader{"SQLite format 3\0", 16};

bool startsWithSqliteHeader(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char head[16] = {};
    in.read(head, sizeof head);
    return in.gcount() == sizeof head && std::string_view(head, sizeof head) == kSqliteHeader;
}

bool sameFile(const struct stat& a, const std::string& path)
{
    struct stat b {};
    return ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The checks on an existing regular file at the (resolved) target.
std::string checkExisting(const std::string& shown, const std::string& path, const struct stat& st, OutputKind kind,
                          const std::vector<std::string>& inputs)
{
    for (const std::string& input : inputs)
        if (sameFile(st, input))
            return shown + " is the input file " + input + "; write the output to another file";
    if ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)
        return shown + " is read-only; make it writable first if it is to be replaced";
    if (st.st_nlink > 1)
        return shown + " has other names (hard links) that would keep the old content; remove it first if it is "
                       "to be replaced";
    const bool catalogue = startsWithSqliteHeader(path);
    if (kind == OutputKind::Csv && catalogue)
        return shown + " is a catalogue file; export writes CSV text, so give the CSV file another name";
    if (kind == OutputKind::Catalogue && !catalogue && st.st_size > 0)
        return shown + " exists and is not a catalogue file; remove it first if it is to be replaced";
    return {};
}

} // namespace

std::string checkOutput(const std::string& path, OutputKind kind, const std::vector<std::string>& inputs,
                        OutputTarget& target)
{
    target = OutputTarget{path};
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0) {
        if (errno == ENOENT) return {}; // a new file
        return "cannot write " + path + ": " + std::strerror(errno);
    }
    if (S_ISLNK(link.st_mode)) {
        std::error_code ec;
        const fs::path resolved = fs::canonical(path, ec);
        if (ec) return path + " is a symbolic link to a file that does not exist; nothing written";
        target.path = resolved.string();
    }
    struct stat st {};
    if (::stat(target.path.c_str(), &st) != 0) return "cannot write " + path + ": " + std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return path + " is a folder; give the name of a file";
    if (!S_ISREG(st.st_mode))
        return path + " is not a regular file (a device, a FIFO or a socket); edbtool writes only regular files";
    const std::string shown = target.path == path ? path : path + " (the file " + target.path + ")";
    if (std::string why = checkExisting(shown, target.path, st, kind, inputs); !why.empty()) return why;
    target.exists = true;
    target.mode = static_cast<unsigned>(st.st_mode & 07777);
    return {};
}

void keepMode(const OutputTarget& target)
{
    if (target.exists) ::chmod(target.path.c_str(), static_cast<mode_t>(target.mode & 0777));
}

std::string writeFileAtomically(const OutputTarget& target, std::string_view bytes)
{
    const std::string& path = target.path;
    std::string error;
    const std::string temp = gr::db::createTemporaryBeside(path, error);
    if (temp.empty()) return error;
    auto fail = [&](std::string why) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return why;
    };
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return fail("cannot write " + temp + ": " + std::strerror(errno));
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0;
    const int write_error = errno;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        const int e = write_error != 0 ? write_error : errno;
        return fail("cannot write " + path + (e != 0 ? ": " + std::string(std::strerror(e)) : std::string()));
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) return fail("cannot write " + path + ": " + ec.message());
    keepMode(target);
    return {};
}

} // namespace edbtool
