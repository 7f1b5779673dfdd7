#include "output_file.hpp"

#include <geardb/catalogue_writer.hpp>

#include <gearplat/text_files.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace edbtool {

namespace {

namespace fs = std::filesystem;
using gearplat::pathFromUtf8;

// The first bytes of every SQLite 3 database file.
constexpr std::string_view kSqliteHeader{"SQLite format 3\0", 16};

bool startsWithSqliteHeader(const std::string& path)
{
    std::ifstream in(pathFromUtf8(path), std::ios::binary);
    char head[16] = {};
    in.read(head, sizeof head);
    return in.gcount() == sizeof head && std::string_view(head, sizeof head) == kSqliteHeader;
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return fs::equivalent(pathFromUtf8(a), pathFromUtf8(b), ec) && !ec;
}

bool readOnly([[maybe_unused]] const std::string& path, fs::perms perms)
{
    constexpr fs::perms kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((perms & kWrite) == fs::perms::none) return true;
#ifdef _WIN32
    return false; // Windows has only the read-only attribute, which the bits show
#else
    return ::access(path.c_str(), W_OK) != 0;
#endif
}

// The checks on an existing regular file at the (resolved) target.
std::string checkExisting(const std::string& shown, const std::string& path, const fs::file_status& st,
                          OutputKind kind, const std::vector<std::string>& inputs)
{
    for (const std::string& input : inputs)
        if (sameFile(path, input))
            return shown + " is the input file " + input + "; write the output to another file";
    if (readOnly(path, st.permissions()))
        return shown + " is read-only; make it writable first if it is to be replaced";
    std::error_code ec;
    if (fs::hard_link_count(pathFromUtf8(path), ec) > 1 && !ec)
        return shown + " has other names (hard links) that would keep the old content; remove it first if it is "
                       "to be replaced";
    const bool catalogue = startsWithSqliteHeader(path);
    if (kind == OutputKind::Csv && catalogue)
        return shown + " is a catalogue file; export writes CSV text, so give the CSV file another name";
    const std::uintmax_t size = fs::file_size(pathFromUtf8(path), ec);
    if (kind == OutputKind::Catalogue && !catalogue && !ec && size > 0)
        return shown + " exists and is not a catalogue file; remove it first if it is to be replaced";
    return {};
}

} // namespace

std::string checkOutput(const std::string& path, OutputKind kind, const std::vector<std::string>& inputs,
                        OutputTarget& target)
{
    target = OutputTarget{path};
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(pathFromUtf8(path), ec);
    if (link.type() == fs::file_type::not_found) return {}; // a new file
    if (ec) return "cannot write " + path + ": " + ec.message();
    if (link.type() == fs::file_type::symlink) {
        const fs::path resolved = fs::canonical(pathFromUtf8(path), ec);
        if (ec) return path + " is a symbolic link to a file that does not exist; nothing written";
        target.path = gearplat::utf8FromPath(resolved);
    }
    const fs::file_status st = fs::status(pathFromUtf8(target.path), ec);
    if (ec) return "cannot write " + path + ": " + ec.message();
    if (st.type() == fs::file_type::directory) return path + " is a folder; give the name of a file";
    if (st.type() != fs::file_type::regular)
        return path + " is not a regular file (a device, a FIFO or a socket); edbtool writes only regular files";
    const std::string shown = target.path == path ? path : path + " (the file " + target.path + ")";
    if (std::string why = checkExisting(shown, target.path, st, kind, inputs); !why.empty()) return why;
    target.exists = true;
    target.mode = static_cast<unsigned>(st.permissions() & fs::perms::mask);
    return {};
}

void keepMode(const OutputTarget& target)
{
    std::error_code ignored;
    if (target.exists)
        fs::permissions(pathFromUtf8(target.path), static_cast<fs::perms>(target.mode) & fs::perms::all,
                        fs::perm_options::replace, ignored);
}

std::string writeFileAtomically(const OutputTarget& target, std::string_view bytes)
{
    const std::string& path = target.path;
    std::string error;
    const std::string temp = gr::db::createTemporaryBeside(path, error);
    if (temp.empty()) return error;
    auto fail = [&](std::string why) {
        std::error_code ignored;
        fs::remove(pathFromUtf8(temp), ignored);
        return why;
    };
    std::FILE* f = gearplat::openFile(temp, "wb");
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
    fs::rename(pathFromUtf8(temp), pathFromUtf8(path), ec);
    if (ec) return fail("cannot write " + path + ": " + ec.message());
    keepMode(target);
    return {};
}

} // namespace edbtool
