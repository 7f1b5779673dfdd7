// Lays a Program out as an image: header, library list, then the sections
// const, form, help, code, var and @reloc1, each header followed directly by
// its data.
#include "bytes.hpp"
#include "layout.hpp"

#include <algorithm>
#include <bit>
#include <set>

namespace gr::image {

namespace {

using detail::ByteWriter;
namespace L = layout;

std::string elementLabel(const form::Element& e)
{
    std::string s = "element " + hex(e.identity);
    if (!e.name.empty()) s += " (" + e.name + ")";
    return s;
}

class Writer {
public:
    explicit Writer(const Program& p) : p_(p) {}

    Result<std::vector<uint8_t>> run()
    {
        checkProgram();
        const std::vector<uint8_t> libraries = libraryList();
        const std::vector<uint8_t> pool = constantPool();
        counts_ = {static_cast<uint32_t>(p_.routines.size()),  static_cast<uint32_t>(p_.constants.size()),
                   static_cast<uint32_t>(p_.routine_values.size()), static_cast<uint32_t>(p_.form.elements.size()),
                   static_cast<uint32_t>(p_.library_calls.size()), static_cast<uint32_t>(L::kServiceOffsets.size())};
        plan_ = L::planLinkage(counts_);
        const std::vector<uint8_t> code = codeData();
        const std::vector<uint8_t> form = formData();
        const std::vector<uint8_t> reloc = identityGroups();
        if (!errors_.ok()) return errors_.error();
        return compose(libraries, pool, form, code, reloc);
    }

private:
    void fail(const std::string& message) { errors_.fail(message); }

    std::string gbk(std::string_view utf8, const std::string& what)
    {
        Result<std::string> r = utf8ToGbk(utf8);
        if (!r) {
            fail(what + ": " + r.error().message);
            return {};
        }
        if (r->size() > kMaxTextBytes) fail(what + ": " + hex(r->size()) + " bytes exceed the limit " + hex(kMaxTextBytes));
        return std::move(r).value();
    }

    // A text stored with a closing NUL cannot hold a NUL itself.
    std::string gbkNul(std::string_view utf8, const std::string& what)
    {
        if (utf8.find('\0') != std::string_view::npos) fail(what + " holds a NUL byte");
        return gbk(utf8, what);
    }

    // ---- Checks that the reader would otherwise fail, or data would be lost.
    void checkProgram()
    {
        if (p_.libraries.empty() || p_.libraries.size() > kMaxLibraries)
            fail("library list: " + hex(p_.libraries.size()) + " libraries, expected 1 to " + hex(kMaxLibraries));
        if (p_.routines.empty() || p_.routines.size() > kMaxRoutines)
            fail("code: " + hex(p_.routines.size()) + " routines, expected 1 to " + hex(kMaxRoutines));
        for (size_t i = 0; i < p_.routines.size(); ++i) {
            if (p_.routines[i].empty()) fail("code: routine " + hex(i) + " has an empty name");
        }
        if (p_.start_routine >= p_.routines.size()) fail("code: start routine " + hex(p_.start_routine) + " is not a routine");
        if (p_.routine_values.size() > kMaxRoutines) fail("code: too many routine values");
        for (uint32_t v : p_.routine_values) {
            if (v >= p_.routines.size()) fail("code: routine value " + hex(v) + " is not a routine");
        }
        if (p_.constants.size() > kMaxConstants) fail("const: " + hex(p_.constants.size()) + " constants exceed the limit");
        if (p_.library_calls.size() > kMaxLibraryCalls) fail("code: too many library calls");
        for (const LibraryCall& c : p_.library_calls) {
            if (c.library >= p_.libraries.size())
                fail("code: library call names library position " + hex(c.library) + ", the list has " +
                     hex(p_.libraries.size()));
        }
        checkForm();
    }

    void checkForm()
    {
        const auto& els = p_.form.elements;
        if (els.empty() || els.size() > kMaxElements) {
            fail("form: " + hex(els.size()) + " elements, expected 1 to " + hex(kMaxElements));
            return;
        }
        std::set<uint32_t> seen;
        for (size_t i = 0; i < els.size(); ++i) {
            const form::Element& e = els[i];
            const std::string what = "form: " + elementLabel(e);
            if (!seen.insert(e.identity).second) fail(what + ": identity appears twice");
            if ((i == 0) != (e.kind == form::kWindow))
                fail(what + ": kind " + hex(e.kind) + (i == 0 ? " but the first element is the window itself"
                                                              : " but only the first element may be the window"));
            const L::KindLayout* k = L::kindLayout(e.kind);
            if (k == nullptr) {
                fail(what + ": unknown kind " + hex(e.kind));
                continue;
            }
            if (e.events.size() > kMaxEvents) fail(what + ": more than " + hex(kMaxEvents) + " event bindings");
            for (const form::EventBinding& b : e.events) {
                if (b.routine >= p_.routines.size())
                    fail(what + ": event " + hex(static_cast<uint32_t>(b.event)) + " names routine " + hex(b.routine) +
                         ", which does not exist");
            }
            if (const std::string problem = L::geometryProblem(e); !problem.empty()) fail(what + ": " + problem);
            if (e.items.size() > 0xFFFF) fail(what + ": more than 0xFFFF items");
            if (e.picture.size() > kMaxImageSize || e.cursor.size() > kMaxTextBytes || e.children.size() > kMaxElements)
                fail(what + ": picture, cursor or child list exceeds its limit");
            checkStorable(e, *k, what);
        }
    }

    // Every property the element sets must have a place in its kind's layout.
    void checkStorable(const form::Element& e, const L::KindLayout& k, const std::string& what)
    {
        const form::Element d;
        const std::string kind = (std::string("aeiou").find(k.name[0]) == std::string::npos ? "a " : "an ") + std::string(k.name);
        if (!e.has_properties && e.layout_version != 0)
            fail(what + ": no property data, but layout version " + hex(e.layout_version));
        auto stored = [&](L::Prop p) {
            if (!e.has_properties) return false;
            return std::any_of(k.fields.begin(), k.fields.end(), [p](const L::PropField& f) { return f.prop == p; });
        };
        for (L::Prop p : {L::Prop::TextColour, L::Prop::BackColour, L::Prop::Multiline, L::Prop::ScrollBars,
                          L::Prop::Alignment, L::Prop::InputMode, L::Prop::Checked, L::Prop::SelectedIndex}) {
            if (!stored(p) && L::wordProp(e, p) != L::wordProp(d, p))
                fail(what + ": " + L::propName(p) + " " + hex(L::wordProp(e, p)) + " has no place in " + kind +
                     (e.has_properties ? "" : " without property data"));
        }
        if (!stored(L::Prop::Text) && !e.text.empty()) fail(what + ": a text has no place in " + kind);
        if (!stored(L::Prop::Items) && !e.items.empty()) fail(what + ": items have no place in " + kind);
        if (!stored(L::Prop::Picture) && !e.picture.empty())
            fail(what + ": a picture has no place in " + kind);
    }

    // ---- Library list ---------------------------------------------------
    std::vector<uint8_t> libraryList()
    {
        ByteWriter w;
        for (const Library& lib : p_.libraries) {
            const std::string what = "library list: library \"" + lib.name + "\"";
            const bool plain_name = !lib.name.empty() && std::all_of(lib.name.begin(), lib.name.end(), [](char c) {
                return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
            });
            if (!plain_name) fail(what + ": name must be letters, digits or '_'");
            const bool hex_id = lib.identifier.size() == 32 && std::all_of(lib.identifier.begin(), lib.identifier.end(), [](char c) {
                                    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
                                });
            if (!hex_id) fail(what + ": identifier must be 32 hexadecimal digits");
            if (lib.description.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
                fail(what + ": description must be one line");
            const std::string record = lib.name + '\r' + lib.identifier + '\r' + std::to_string(lib.major) + '\r' +
                                       std::to_string(lib.minor) + '\r' + gbk(lib.description, what + " description");
            if (record.size() > L::kMaxLibraryRecord)
                fail(what + ": the record's " + hex(record.size()) + " bytes exceed the limit " + hex(L::kMaxLibraryRecord));
            w.bytes(record);
            w.u8(0);
        }
        w.u8(0);
        return std::move(w.data());
    }

    // ---- Constant pool: routine names, then the constants in table order --
    std::vector<uint8_t> constantPool()
    {
        ByteWriter w;
        for (size_t i = 0; i < p_.routines.size(); ++i) {
            name_at_.push_back(static_cast<uint32_t>(w.size()));
            w.bytes(gbkNul(p_.routines[i], "code: name of routine " + hex(i)));
            w.u8(0);
        }
        for (size_t i = 0; i < p_.constants.size(); ++i) {
            const Constant& c = p_.constants[i];
            constant_at_.push_back(static_cast<uint32_t>(w.size()));
            switch (c.kind) {
            case ConstantKind::Text:
                w.bytes(gbkNul(c.text, "const: text constant " + hex(i)));
                w.u8(0);
                break;
            case ConstantKind::Number: w.u64(std::bit_cast<uint64_t>(c.number)); break;
            case ConstantKind::ByteSet:
                if (c.bytes.size() > kMaxTextBytes) fail("const: byte set " + hex(i) + " is too large");
                w.u32(1); // one dimension
                w.u32(static_cast<uint32_t>(c.bytes.size()));
                w.bytes(c.bytes);
                break;
            default: fail("const: constant " + hex(i) + " has unknown kind " + hex(static_cast<uint32_t>(c.kind)));
            }
            if (w.size() > kMaxImageSize) {
                fail("const: the constant pool exceeds the image size limit");
                break;
            }
        }
        return std::move(w.data());
    }

    uint32_t routineEntry(uint32_t routine) const
    {
        return static_cast<uint32_t>(plan_.routines + uint64_t{routine} * L::kRoutineEntrySize);
    }

    // ---- Code section: the linkage table -------------------------------
    std::vector<uint8_t> codeData()
    {
        ByteWriter w;
        w.u32(L::kLinkageVersion);
        for (uint32_t n : {counts_.routines, counts_.constants, counts_.values, counts_.controls, counts_.calls, counts_.stubs})
            w.u32(n);
        for (size_t i = 0; i < name_at_.size(); ++i) w.u32(name_at_[i]);
        for (size_t i = 0; i < constant_at_.size(); ++i) {
            w.u32(static_cast<uint32_t>(p_.constants[i].kind));
            w.u32(constant_at_[i]);
        }
        for (uint32_t v : p_.routine_values) w.u32(routineEntry(v));
        for (const form::Element& e : p_.form.elements) {
            w.u32(p_.form.identity);
            w.u32(e.identity);
            w.u32(e.kind);
        }
        for (const LibraryCall& c : p_.library_calls) {
            w.u32(c.library);
            w.u32(c.command);
        }
        for (uint32_t slot : L::kServiceOffsets) {
            w.bytes(L::kStubOpcode);
            w.u32(slot);
        }
        return std::move(w.data());
    }

    std::vector<uint8_t> identityGroups() const
    {
        ByteWriter w;
        for (const std::vector<uint32_t>& group : L::expectedIdentityGroups(counts_)) {
            w.u32(static_cast<uint32_t>(group.size()));
            for (uint32_t at : group) w.u32(at);
        }
        return std::move(w.data());
    }

    // ---- Form section ----------------------------------------------------
    std::vector<uint8_t> formData()
    {
        const form::Window& win = p_.form;
        ByteWriter w;
        w.u32(L::kWindowTableSize);
        w.u32(win.identity);
        w.u32(win.stored_value_8);
        w.u32(win.stored_value_12);
        w.u32(win.extra_identity);
        for (const std::string* s : {&win.name, &win.comment}) {
            const std::string g = gbk(*s, "form: window name or comment");
            w.u32(static_cast<uint32_t>(g.size()));
            w.bytes(g);
        }
        const auto& els = win.elements;
        const auto n = static_cast<uint32_t>(els.size());
        w.u32(n);
        const size_t rest_at = w.size();
        w.u32(0); // patched below

        // The window itself first, then the controls in descending identity order.
        std::vector<size_t> order(els.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin() + (order.empty() ? 0 : 1), order.end(),
                  [&](size_t a, size_t b) { return els[a].identity > els[b].identity; });
        for (size_t i : order) w.u32(els[i].identity);
        const size_t offsets_at = w.size();
        w.zeros(size_t{n} * 4);
        const size_t records_at = w.size();

        // Records in the form's own order (the tab order).
        std::vector<uint32_t> record_at(els.size());
        for (size_t i = 0; i < els.size(); ++i) {
            record_at[i] = static_cast<uint32_t>(w.size() - records_at);
            writeRecord(w, els[i]);
            if (w.size() > kMaxImageSize) {
                fail("form: the form exceeds the image size limit");
                break;
            }
        }
        for (size_t slot = 0; slot < order.size(); ++slot) w.patch32(offsets_at + slot * 4, record_at[order[slot]]);
        w.patch32(rest_at, static_cast<uint32_t>(w.size() - rest_at - 4));
        return std::move(w.data());
    }

    void writeRecord(ByteWriter& w, const form::Element& e)
    {
        const std::string what = "form: " + elementLabel(e);
        const size_t length_at = w.size();
        w.u32(0); // patched below
        w.u32(e.kind);
        w.zeros(20);
        w.bytes(gbkNul(e.name, what + " name"));
        w.u8(0);
        w.bytes(gbkNul(e.comment, what + " comment"));
        w.u8(0);
        w.zeros(4);
        for (int32_t v : {e.left, e.top, e.width, e.height}) w.i32(v);
        w.zeros(4);
        w.u32(e.parent);
        w.u32(static_cast<uint32_t>(e.children.size() * 4));
        for (uint32_t c : e.children) w.u32(c);
        w.u32(static_cast<uint32_t>(e.cursor.size()));
        w.bytes(e.cursor);
        w.bytes(gbkNul(e.tag, what + " tag"));
        w.u8(0);
        w.zeros(4);
        w.u32(e.flags);
        w.zeros(4);
        w.u32(static_cast<uint32_t>(e.events.size()));
        for (const form::EventBinding& b : e.events) {
            w.i32(b.event);
            w.u32(routineEntry(b.routine));
        }
        writeProperties(w, e, what);
        w.patch32(length_at, static_cast<uint32_t>(w.size() - length_at - 4));
    }

    void writeProperties(ByteWriter& w, const form::Element& e, const std::string& what)
    {
        const L::KindLayout* k = L::kindLayout(e.kind);
        if (!e.has_properties || k == nullptr) {
            w.zeros(L::kPropertyPrefix);
            return;
        }
        // Fixed part: everything before the closing variable field; fields
        // this system does not use stay zero.
        const L::PropField& last = k->fields.back();
        std::vector<uint8_t> fixed(last.offset, 0);
        auto put = [&fixed](uint32_t at, uint32_t v) {
            for (int s = 0; s < 32; s += 8) fixed[at++] = static_cast<uint8_t>(v >> s);
        };
        put(L::kLayoutVersionAt, e.layout_version);
        for (const L::PropField& f : k->fields) {
            if (L::isWordProp(f.prop)) put(f.offset, L::wordProp(e, f.prop));
        }
        w.bytes(fixed);
        switch (last.prop) {
        case L::Prop::Items:
            w.u16(static_cast<uint16_t>(e.items.size()));
            for (size_t i = 0; i < e.items.size(); ++i) {
                const std::string g = gbk(e.items[i], what + " item " + hex(i));
                w.u32(static_cast<uint32_t>(g.size()));
                w.bytes(g);
            }
            break;
        case L::Prop::Picture:
            w.u32(static_cast<uint32_t>(e.picture.size()));
            w.bytes(e.picture);
            break;
        default: {
            const std::string g = gbk(e.text, what + " text");
            w.u32(static_cast<uint32_t>(g.size()));
            w.bytes(g);
        }
        }
    }

    // ---- The whole image ---------------------------------------------------
    static void sectionHeader(ByteWriter& w, size_t index, uint32_t header_size, uint32_t next, uint32_t data_size,
                              uint32_t data_offset, uint32_t fixups)
    {
        w.u32(header_size);
        w.u32(next);
        w.u32(L::kSectionFlags[index]);
        const std::string_view name = kSectionNames[index];
        w.bytes(name);
        w.zeros(L::kNameSize - name.size());
        w.u32(data_size);
        w.u32(data_size);
        w.u32(data_offset);
        w.u32(fixups);
        w.u32(0);
    }

    Result<std::vector<uint8_t>> compose(const std::vector<uint8_t>& libraries, const std::vector<uint8_t>& pool,
                                         const std::vector<uint8_t>& form, const std::vector<uint8_t>& code,
                                         const std::vector<uint8_t>& reloc)
    {
        const std::vector<uint32_t> fixups = L::expectedFixups(counts_);
        const std::vector<uint8_t> help(L::kHelpSize, 0);
        const std::array<const std::vector<uint8_t>*, kSectionCount> data{&pool, &form, &help, &code, nullptr, &reloc};

        // Offsets first, so every header can name the next one.
        std::array<uint64_t, kSectionCount> header_at{}, header_size{};
        uint64_t at = kHeaderSize + libraries.size();
        for (size_t i = 0; i < kSectionCount; ++i) {
            header_at[i] = at;
            header_size[i] = kSectionHeaderSize + (i == kCode ? fixups.size() * 4 : 0);
            at += header_size[i] + (data[i] ? data[i]->size() : 0);
        }
        if (at > kMaxImageSize) return Error{"image: size " + hex(at) + " exceeds the limit " + hex(kMaxImageSize)};
        auto u32 = [](uint64_t v) { return static_cast<uint32_t>(v); };

        ByteWriter w;
        w.u16(static_cast<uint16_t>(L::kMagic));
        w.zeros(L::kZeroFillEnd - L::kZeroFillBegin);
        w.u32(u32(header_at[kConst]));
        for (uint32_t v : L::kFixedValues) w.u32(v);
        const uint64_t code_data = header_at[kCode] + header_size[kCode];
        w.u32(u32(code_data + routineEntry(p_.start_routine)));
        for (size_t i = kConst; i <= kVar; ++i) w.u32(u32(header_at[i]));
        w.u32(u32(header_at[kConst])); // the library list ends where the chain begins
        w.bytes(libraries);
        for (size_t i = 0; i < kSectionCount; ++i) {
            const uint32_t next = i + 1 < kSectionCount ? u32(header_at[i + 1]) : kNoOffset;
            const uint32_t data_offset = data[i] ? u32(header_at[i] + header_size[i]) : kNoOffset;
            const uint32_t size = data[i] ? u32(data[i]->size()) : 0;
            sectionHeader(w, i, u32(header_size[i]), next, size, data_offset, i == kCode ? u32(fixups.size()) : 0);
            if (i == kCode) {
                for (uint32_t f : fixups) w.u32(f);
            }
            if (data[i]) w.bytes(*data[i]);
        }
        return std::move(w.data());
    }

    const Program& p_;
    detail::Errors errors_;
    L::LinkageCounts counts_;
    L::LinkagePlan plan_;
    std::vector<uint32_t> name_at_;     // pool offset of each routine name
    std::vector<uint32_t> constant_at_; // pool offset of each constant
};

} // namespace

Result<std::vector<uint8_t>> writeImage(const Program& program)
{
    return Writer(program).run();
}

} // namespace gr::image
