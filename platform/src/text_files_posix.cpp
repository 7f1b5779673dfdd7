// POSIX: GBK through the C library's iconv; file names and arguments are
// bytes, taken as UTF-8.
#include <gearplat/text_files.hpp>

#include <iconv.h>

namespace gearplat {

namespace {

// One open converter per direction and thread; iconv_open is far dearer
// than a conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    Converted run(std::string_view in, std::size_t growth)
    {
        Converted result;
        if (!valid()) {
            result.available = false;
            return result;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr); // back to the initial state
        std::string out(in.size() * growth + 8, '\0');
        char* inp = const_cast<char*>(in.data());
        std::size_t in_left = in.size();
        char* outp = out.data();
        std::size_t out_left = out.size();
        const std::size_t r = iconv(cd_, &inp, &in_left, &outp, &out_left);
        result.bad_at = in.size() - in_left;
        // A non-zero count means irreversible replacements: not faithful either.
        if (r != 0 || in_left != 0) return result;
        out.resize(out.size() - out_left);
        result.ok = true;
        result.text = std::move(out);
        return result;
    }

private:
    iconv_t cd_;
};

} // namespace

Converted gbkToUtf8(std::string_view gbk)
{
    thread_local Converter c("UTF-8", "GBK");
    return c.run(gbk, 3);
}

Converted utf8ToGbk(std::string_view utf8)
{
    thread_local Converter c("GBK", "UTF-8");
    return c.run(utf8, 2);
}

std::FILE* openFile(const std::string& utf8_path, const char* mode)
{
    return std::fopen(utf8_path.c_str(), mode);
}

std::vector<std::string> utf8Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

void binaryStandardOutput() {}

void consoleStandardStreams() {}
bool standardOutputIsConsole() { return false; }
bool standardErrorIsConsole() { return false; }

bool writeStandardOutput(std::string_view utf8)
{
    if (utf8.empty()) return std::fflush(stdout) == 0; // an empty view may have no data pointer
    return std::fwrite(utf8.data(), 1, utf8.size(), stdout) == utf8.size() && std::fflush(stdout) == 0;
}

} // namespace gearplat
