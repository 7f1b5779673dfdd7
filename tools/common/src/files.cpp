#include <gear_tools/files.hpp>

#include <gearplat/text_files.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace gear_tools {

namespace {


std::string describe(const std::string& path, PathKind kind, int error)
{
    switch (kind) {
    case PathKind::Missing: return path + " does not exist";
    case PathKind::Folder: return path + " is a folder, not a file";
    case PathKind::Special: return path + " is not a regular file (a FIFO, a device or a socket)";
    case PathKind::Unknown: return "cannot read " + path + ": " + std::strerror(error);
    case PathKind::RegularFile: break;
    }
    return {};
}

#ifndef _WIN32
PathKind kindOf(const struct stat& st)
{
    if (S_ISREG(st.st_mode)) return PathKind::RegularFile;
    if (S_ISDIR(st.st_mode)) return PathKind::Folder;
    return PathKind::Special;
}

// Closes the descriptor when it goes.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0) ::close(fd);
    }
};

#endif

} // namespace

#ifdef _WIN32
// Windows: the path is UTF-8, the system's names UTF-16; there are no FIFOs
// to block on, so the file is opened after the check by name.
PathKind pathKind(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(gearplat::pathFromUtf8(path), ec);
    switch (st.type()) {
    case std::filesystem::file_type::not_found: return PathKind::Missing;
    case std::filesystem::file_type::regular: return PathKind::RegularFile;
    case std::filesystem::file_type::directory: return PathKind::Folder;
    case std::filesystem::file_type::none:
    case std::filesystem::file_type::unknown: errno = ec ? ec.value() : EIO; return PathKind::Unknown;
    default: return PathKind::Special;
    }
}
#else
PathKind pathKind(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return kindOf(st);
    return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Unknown;
}
#endif

std::string notARegularFile(const std::string& path)
{
    const int saved = errno;
    errno = 0;
    const PathKind kind = pathKind(path);
    const int error = errno;
    errno = saved;
    return describe(path, kind, error);
}

#ifdef _WIN32
std::string readRegularFile(const std::string& path, std::string& bytes, std::size_t max_size)
{
    bytes.clear();
    if (std::string why = notARegularFile(path); !why.empty()) return why;
    std::FILE* file = gearplat::openFile(path, "rb");
    if (file == nullptr) return describe(path, errno == ENOENT ? PathKind::Missing : PathKind::Unknown, errno);
    char chunk[1 << 16];
    std::string problem;
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file);
        if (bytes.size() + n > max_size) {
            problem = path + " is too large (more than " + std::to_string(max_size) + " bytes)";
            break;
        }
        bytes.append(chunk, n);
        if (n < sizeof chunk) {
            if (std::ferror(file)) problem = describe(path, PathKind::Unknown, errno);
            break;
        }
    }
    std::fclose(file);
    if (!problem.empty()) bytes.clear();
    return problem;
}
#else
std::string readRegularFile(const std::string& path, std::string& bytes, std::size_t max_size)
{
    bytes.clear();
    // Asked by name first, so that nothing but a regular file is ever
    // opened (opening a device can have effects of its own) ...
    if (std::string why = notARegularFile(path); !why.empty()) return why;
    // ... and checked again on what was opened, in case the name was
    // swapped in between: O_NONBLOCK keeps a FIFO from blocking the open.
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (file.fd < 0) return describe(path, errno == ENOENT ? PathKind::Missing : PathKind::Unknown, errno);
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) return describe(path, PathKind::Unknown, errno);
    if (const PathKind kind = kindOf(st); kind != PathKind::RegularFile) return describe(path, kind, 0);
    if (static_cast<unsigned long long>(st.st_size) > max_size)
        return path + " is too large (" + std::to_string(st.st_size) + " bytes; at most " +
               std::to_string(max_size) + ")";
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[1 << 16];
    for (;;) {
        const ssize_t n = ::read(file.fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            bytes.clear();
            return describe(path, PathKind::Unknown, errno);
        }
        if (n == 0) break;
        // The file may grow while it is read.
        if (bytes.size() + static_cast<std::size_t>(n) > max_size) {
            bytes.clear();
            return path + " is too large (more than " + std::to_string(max_size) + " bytes)";
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    return {};
}

#endif

} // namespace gear_tools
