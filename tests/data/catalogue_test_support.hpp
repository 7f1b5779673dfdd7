// Helpers shared by the catalogue tests: a scratch folder, small catalogue
// files written with the production writer, and raw SQLite for files the
// writer would never make.
#pragma once

#include <geardb/catalogue_writer.hpp>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace test_support {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "catalogue-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(path_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    fs::path path_;
};

using Row = std::vector<gr::db::CellValue>;

inline void writeCatalogue(const std::string& path, std::vector<gr::db::Field> fields,
                           const std::vector<Row>& rows)
{
    std::string error;
    auto writer = gr::db::CatalogueWriter::create(path, std::move(fields), error);
    ASSERT_TRUE(writer) << error;
    for (const Row& row : rows)
        ASSERT_EQ(writer->add(row), "");
    ASSERT_EQ(writer->commit(), "");
}

// Runs SQL on a (new or existing) SQLite file, for damaged catalogues.
inline void execSql(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    const std::string text = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << text;
}

inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline void expectContainsAll(const std::string& text, const std::vector<std::string>& parts)
{
    for (const std::string& part : parts)
        EXPECT_NE(text.find(part), std::string::npos) << "missing \"" << part << "\" in: " << text;
}

} // namespace test_support
