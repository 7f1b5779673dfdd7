// The image reader's state, shared by read.cpp (header, chain, code,
// identity groups) and read_form.cpp (the form section).
#pragma once

#include "bytes.hpp"
#include "layout.hpp"

namespace gr::image::detail {

class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : b_(bytes) {}
    Result<Image> run();

private:
    Cursor cursor(size_t begin, size_t end, std::string where) { return Cursor(b_, begin, end, std::move(where), errors_); }
    void fail(std::string message) { errors_.fail(std::move(message)); }
    bool ok() const { return errors_.ok(); }
    uint32_t word(size_t at) const { return load32(b_, at); } // caller has checked the bounds
    std::string utf8(std::string_view gbk, const std::string& what);

    void readHeader();
    void readLibraries();
    void walkChain();
    void checkHelp();
    void readLinkageCounts();
    void checkFixups();
    void resolveLinkage();
    void readForm();
    void readRecord(size_t begin, size_t end, uint32_t identity, form::Element& e);
    void readProperties(Cursor& c, form::Element& e, const layout::KindLayout& k);
    void checkControls();
    void readIdentityGroups();
    void checkFill();

    const Section& section(size_t i) const { return img_.sections[i]; }
    size_t dataBegin(size_t i) const { return section(i).data_offset; }
    size_t dataEnd(size_t i) const { return size_t{section(i).data_offset} + section(i).data_size; }

    std::span<const uint8_t> b_;
    Errors errors_;
    Image img_;
    layout::LinkageCounts counts_;
    layout::LinkagePlan plan_;
};

} // namespace gr::image::detail
