// What every shipped Windows file carries, and where the programs load
// libraries from:
// - each executable and library of the deployed folder has a version record
//   with the product's and the company's name, its own file name, and the
//   project's version in its fixed and its text part;
// - once the library search is made safe, a DLL planted in the current
//   folder is not loaded by name, while a library given by its full path
//   still is.
#include <gearplat/platform.hpp>
#include <gearplat/text_files.hpp>
#include <gearplat/windows.hpp>

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Record {
    VS_FIXEDFILEINFO fixed{};
    std::wstring company, product, original, fileVersion, productVersion;
};

std::wstring text(const std::vector<char>& info, const wchar_t* name)
{
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
    if (!::VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || value == nullptr)
        return L"(none)";
    return value;
}

bool readRecord(const fs::path& file, Record& record)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<char> info(size);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, info.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr) return false;
    record.fixed = *fixed;
    record.company = text(info, L"CompanyName");
    record.product = text(info, L"ProductName");
    record.original = text(info, L"OriginalFilename");
    record.fileVersion = text(info, L"FileVersion");
    record.productVersion = text(info, L"ProductVersion");
    return true;
}

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class ShippedFile : public ::testing::TestWithParam<const char*> {};

TEST_P(ShippedFile, CarriesTheVersionRecord)
{
    const fs::path file = fs::path(GEARCALC_DIST_DIR) / GetParam();
    Record r;
    ASSERT_TRUE(readRecord(file, r)) << file << " has no version record";
    EXPECT_EQ(r.company, L"ZKD-KESTAL");
    EXPECT_EQ(r.product, L"ZKD-KESTAL \u9F7F\u8F6E\u53C2\u6570\u8BA1\u7B97"); // the window's title
    EXPECT_EQ(r.original, wide(GetParam()));
    const std::wstring version = wide(GEARCALC_VERSION) + L".0";
    EXPECT_EQ(r.fileVersion, version);
    EXPECT_EQ(r.productVersion, version);
    const DWORD ms = (GEARCALC_VERSION_MAJOR << 16) | GEARCALC_VERSION_MINOR;
    const DWORD ls = GEARCALC_VERSION_PATCH << 16;
    EXPECT_EQ(r.fixed.dwFileVersionMS, ms);
    EXPECT_EQ(r.fixed.dwFileVersionLS, ls);
    EXPECT_EQ(r.fixed.dwProductVersionMS, ms);
    EXPECT_EQ(r.fixed.dwProductVersionLS, ls);
    const bool library = file.extension() == ".vlr";
    EXPECT_EQ(r.fixed.dwFileType, library ? static_cast<DWORD>(VFT_DLL) : static_cast<DWORD>(VFT_APP));
}

INSTANTIATE_TEST_SUITE_P(Deployed, ShippedFile,
                         ::testing::Values("gearcalc.exe", "gearcalc-report.exe", "edbtool.exe", "tavrn.vlr", "stylx.vlr"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// Runs last in its own process state: the safe search cannot be undone.
TEST(LibrarySearch, APlantedLibraryInTheCurrentFolderIsNotLoaded)
{
    const fs::path folder = fs::temp_directory_path() / ("gearcalc-dll-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(folder);
    // Any library of ours does: the style library, under a name nobody has.
    fs::copy_file(fs::path(GEARCALC_DIST_DIR) / "stylx.vlr", folder / "gear_planted.dll", fs::copy_options::overwrite_existing);
    const fs::path before = fs::current_path();
    fs::current_path(folder);

    // The system's default order looks in the current folder...
    HMODULE planted = ::LoadLibraryW(L"gear_planted.dll");
    EXPECT_NE(planted, nullptr) << "the check proves nothing: the current folder was never searched";
    if (planted) ::FreeLibrary(planted);

    // ...the safe one does not, yet a full path still loads.
    gearplat::safeLibrarySearch();
    planted = ::LoadLibraryW(L"gear_planted.dll");
    EXPECT_EQ(planted, nullptr) << "a library in the current folder was loaded by name";
    if (planted) ::FreeLibrary(planted);
    gearplat::Library byPath(gearplat::utf8FromPath(fs::absolute(folder / "gear_planted.dll")));
    EXPECT_TRUE(byPath) << "a library given by its full path was not loaded";
    byPath.reset();

    fs::current_path(before);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

} // namespace
