#include "file_state.hpp"

#include <gearplat/text_files.hpp>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <gearplat/windows.hpp>
#include <io.h>
#else
#include <sys/stat.h>
#endif

namespace gr::db {

namespace {

std::function<void(ReadStep)>& hook()
{
    static std::function<void(ReadStep)> h;
    return h;
}

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::uint32_t bigEndian32(const unsigned char* p) noexcept
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// The running checksum of a write-ahead log: pairs of 32-bit words in the
// byte order the log's magic number names.
struct WalChecksum {
    bool bigEndianWords = false;
    std::uint32_t s0 = 0, s1 = 0;

    void add(const unsigned char* p, std::size_t n) noexcept
    {
        for (std::size_t i = 0; i + 8 <= n; i += 8) {
            const std::uint32_t x0 = word(p + i), x1 = word(p + i + 4);
            s0 += x0 + s1;
            s1 += x1 + s0;
        }
    }
    std::uint32_t word(const unsigned char* p) const noexcept
    {
        return bigEndianWords ? bigEndian32(p)
                              : (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) |
                                    (std::uint32_t{p[1]} << 8) | p[0];
    }
};

// Whether the write-ahead log holds a committed transaction that SQLite
// would read: a valid header, then frames with the header's salt and a
// correct running checksum, one of which ends a transaction. SQLite stops
// at the first frame that does not fit, and so does this.
bool walHoldsCommit(std::FILE* f)
{
    unsigned char header[32];
    if (std::fread(header, 1, sizeof header, f) != sizeof header) return false;
    const std::uint32_t magic = bigEndian32(header);
    if ((magic & 0xFFFFFFFEu) != 0x377F0682u || bigEndian32(header + 4) != 3007000) return false;
    const std::uint32_t pageSize = bigEndian32(header + 8);
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) return false;
    WalChecksum sum{(magic & 1) != 0};
    sum.add(header, 24);
    if (sum.s0 != bigEndian32(header + 24) || sum.s1 != bigEndian32(header + 28)) return false;
    std::vector<unsigned char> frame(24 + std::size_t{pageSize});
    while (std::fread(frame.data(), 1, frame.size(), f) == frame.size()) {
        if (bigEndian32(frame.data()) == 0 || std::memcmp(frame.data() + 8, header + 16, 8) != 0) return false;
        sum.add(frame.data(), 8);
        sum.add(frame.data() + 24, pageSize);
        if (sum.s0 != bigEndian32(frame.data() + 16) || sum.s1 != bigEndian32(frame.data() + 20)) return false;
        if (bigEndian32(frame.data() + 4) != 0) return true; // a commit frame
    }
    return false;
}

} // namespace

void setReadHook(std::function<void(ReadStep)> h)
{
    hook() = std::move(h);
}

void readStep(ReadStep step)
{
    if (hook()) hook()(step);
}

#ifdef _WIN32
bool stampOf(const std::string& path, FileStamp& s)
{
    File f(gearplat::openFile(path, "rb"));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!f) return false;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f.get())));
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return false;
    s = FileStamp{};
    s.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    s.modified = static_cast<std::int64_t>((std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                           info.ftLastWriteTime.dwLowDateTime);
    s.device = info.dwVolumeSerialNumber;
    s.file = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
}
#else
bool stampOf(const std::string& path, FileStamp& s)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return false;
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.modified = std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
    s.changed = std::int64_t{st.st_ctim.tv_sec} * 1'000'000'000 + st.st_ctim.tv_nsec;
    s.device = static_cast<std::uint64_t>(st.st_dev);
    s.file = static_cast<std::uint64_t>(st.st_ino);
    return true;
}
#endif

std::string checkSideFiles(const std::string& path)
{
    // SQLite names the side files after the file a symbolic link leads to.
    std::string base = path;
#ifndef _WIN32
    std::error_code ec;
    const auto resolved = std::filesystem::canonical(gearplat::pathFromUtf8(path), ec);
    if (!ec) base = gearplat::utf8FromPath(resolved);
#endif
    FileStamp database;
    // SQLite ignores (and removes) the side files of an empty database file.
    if (!stampOf(path, database) || database.size == 0) return {};
    const std::string name(fileNameOf(path));

    const std::string journal = base + "-journal";
    if (File f{gearplat::openFile(journal, "rb")}) {
        const int first = std::fgetc(f.get());
        if (first != EOF && first != 0)
            return "旁边的日志文件 " + std::string(fileNameOf(journal)) +
                   " 记录着一次没有完成的修改（修改它的程序被中断了），数据库文件的内容可能不完整。"
                   "请先用 sqlite3 打开这个数据库一次（例如 sqlite3 " + name +
                   " \"PRAGMA integrity_check\"），SQLite 会撤销这次修改；然后再试。";
    }
    const std::string wal = base + "-wal";
    if (File f{gearplat::openFile(wal, "rb")}; f && walHoldsCommit(f.get()))
        return "旁边的预写日志文件 " + std::string(fileNameOf(wal)) +
               " 中有已提交但尚未写入数据库文件的修改（编辑它的程序还开着，或者没有正常退出）。"
               "请关闭编辑它的程序，或用 sqlite3 把修改写入文件（例如 sqlite3 " + name +
               " \"PRAGMA wal_checkpoint(TRUNCATE)\"）；然后再试。";
    return {};
}

} // namespace gr::db
