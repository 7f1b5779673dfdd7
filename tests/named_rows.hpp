// Table-driven tests: each row of a parameter table carries a `name`, which
// names its test case in ctest and prints it in failure messages.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace named_rows {

// The row's name as the test's name:
// INSTANTIATE_TEST_SUITE_P(Set, Suite, testing::ValuesIn(kRows), named_rows::RowName());
struct RowName {
    template <typename Row>
    std::string operator()(const testing::TestParamInfo<Row>& i) const
    {
        return i.param.name;
    }
};

} // namespace named_rows

// Prints a row by its name instead of its bytes; rows opt in with
// NAMED_ROW_PRINTER(RowType) beside their definition.
#define NAMED_ROW_PRINTER(Row)                                                                                         \
    [[maybe_unused]] inline void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }
