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
    if (kind == OutputKind::Text && catalogue) return shown + " is a catalogue file; give the output file another name";
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
        return path + " is not a regular file (a device, a FIFO or a socket); output goes only to regular files";
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

ReplacingFile::~ReplacingFile()
{
    if (!committed_) fail({});
}

std::string ReplacingFile::fail(std::string why)
{
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) {
        std::error_code ignored;
        fs::remove(pathFromUtf8(temp_), ignored);
        temp_.clear();
    }
    if (error_.empty()) error_ = why;
    return why;
}

std::string ReplacingFile::write(std::string_view bytes)
{
    if (!error_.empty() || committed_) return error_.empty() ? "the file " + target_.path + " is already written" : error_;
    if (file_ == nullptr) {
        std::string error;
        temp_ = gr::db::createTemporaryBeside(target_.path, error);
        if (temp_.empty()) return fail(error);
        file_ = gearplat::openFile(temp_, "wb");
        if (file_ == nullptr) return fail("cannot write " + temp_ + ": " + std::strerror(errno));
    }
    if (bytes.empty()) return {}; // an empty view may have no data pointer, which fwrite must not get
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        const int e = errno;
        return fail("cannot write " + target_.path + (e != 0 ? ": " + std::string(std::strerror(e)) : std::string()));
    }
    return {};
}

std::string ReplacingFile::commit()
{
    if (std::string error = write({}); !error.empty()) return error; // opens an empty file too
    errno = 0;
    const bool flushed = std::fflush(file_) == 0;
    const int flush_error = errno;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed) {
        const int e = flush_error != 0 ? flush_error : errno;
        return fail("cannot write " + target_.path + (e != 0 ? ": " + std::string(std::strerror(e)) : std::string()));
    }
    std::error_code ec;
    fs::rename(pathFromUtf8(temp_), pathFromUtf8(target_.path), ec);
    if (ec) return fail("cannot write " + target_.path + ": " + ec.message());
    temp_.clear();
    committed_ = true;
    keepMode(target_);
    return {};
}

std::string writeFileAtomically(const OutputTarget& target, std::string_view bytes)
{
    ReplacingFile file(target);
    if (std::string error = file.write(bytes); !error.empty()) return error;
    return file.commit();
}

} // namespace edbtool
