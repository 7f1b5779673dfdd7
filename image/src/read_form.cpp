// Reads the form section: the window's fields, the element identities, the
// record offsets and the element records, back into a form::Window.
#include "reader.hpp"

#include <algorithm>

namespace gr::image::detail {

namespace L = layout;

void Reader::readForm()
{
    Cursor c = cursor(dataBegin(kForm), dataEnd(kForm), "form");
    form::Window& w = img_.program.form;
    const uint32_t table = c.u32("window table size");
    if (c.ok() && table != L::kWindowTableSize)
        return fail("form: window table size " + hex(table) + ", expected " + hex(L::kWindowTableSize) + " (one window)");
    w.identity = c.u32("window identity");
    w.stored_value_8 = c.u32("window value at 0x8");
    w.stored_value_12 = c.u32("window value at 0xC");
    w.extra_identity = c.u32("window extra identity");
    w.name = utf8(c.counted("window name", kMaxTextBytes), "form: window name");
    w.comment = utf8(c.counted("window comment", kMaxTextBytes), "form: window comment");
    const uint32_t n = c.u32("element count");
    if (c.ok() && (n == 0 || n > kMaxElements))
        return fail("form: element count " + hex(n) + ", expected 0x1 to " + hex(kMaxElements));
    const uint32_t rest = c.u32("size");
    if (c.ok() && rest != c.remaining())
        return fail("form: size " + hex(rest) + " does not match the " + hex(c.remaining()) + " bytes that follow it");
    if (!c.need(size_t{n} * 8, "element identities and record offsets")) return;
    std::vector<uint32_t> ids(n), offsets(n);
    for (uint32_t& id : ids) id = c.u32("element identity");
    for (uint32_t& off : offsets) off = c.u32("record offset");
    const size_t records = c.pos();

    // The window's own element first, then the controls in strictly
    // descending order (which also rules out a control listed twice).
    for (uint32_t i = 1; i < n; ++i) {
        if (ids[i] == ids[0]) return fail("form: element identity " + hex(ids[i]) + " appears twice");
        if (i > 1 && ids[i] >= ids[i - 1])
            return fail("form: element identity " + hex(ids[i]) + " at position " + hex(i) + " is not below the previous " +
                        hex(ids[i - 1]));
    }

    // Walk the records: n of them, each a length and that many bytes, the
    // last one ending exactly at the end of the form data.
    std::vector<size_t> starts;
    starts.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
        const size_t at = c.pos();
        const uint32_t length = c.u32("record length");
        if (!c.ok()) return;
        if (length > c.remaining())
            return fail("form: record " + hex(i) + " at " + hex(at) + " with length " + hex(length) +
                        " runs past the end of the form data (" + hex(c.end()) + ")");
        starts.push_back(at);
        c.skip(length, "record");
    }
    if (c.pos() != c.end())
        return fail("form: the last record ends at " + hex(c.pos()) + ", the form data ends at " + hex(c.end()));

    // Each identity owns exactly one record.
    std::vector<int64_t> owner(n, -1);
    for (uint32_t i = 0; i < n; ++i) {
        const uint64_t target = records + uint64_t{offsets[i]};
        const auto it = std::lower_bound(starts.begin(), starts.end(), target);
        if (it == starts.end() || *it != target)
            return fail("form: record offset " + hex(offsets[i]) + " of element " + hex(ids[i]) + " is not the start of a record");
        const auto r = static_cast<size_t>(it - starts.begin());
        if (owner[r] >= 0)
            return fail("form: elements " + hex(ids[static_cast<size_t>(owner[r])]) + " and " + hex(ids[i]) +
                        " share the record at " + hex(target));
        owner[r] = i;
    }
    if (owner[0] != 0)
        return fail("form: the first record belongs to element " + hex(ids[static_cast<size_t>(owner[0])]) +
                    ", expected the window's own element " + hex(ids[0]));

    // Records in file order give the elements in the form's order.
    w.elements.resize(n);
    for (uint32_t r = 0; r < n && ok(); ++r) {
        const size_t end = r + 1 < n ? starts[r + 1] : c.end();
        readRecord(starts[r], end, ids[static_cast<size_t>(owner[r])], w.elements[r]);
        if (ok() && (r == 0) != (w.elements[r].kind == form::kWindow))
            return fail("form: element " + hex(w.elements[r].identity) + ": kind " + hex(w.elements[r].kind) +
                        (r == 0 ? ", expected the window 0x10001" : ", but only the first element may be the window"));
    }
}

void Reader::readRecord(size_t begin, size_t end, uint32_t identity, form::Element& e)
{
    const std::string where = "form: element " + hex(identity);
    Cursor c = cursor(begin + 4, end, where);
    e.identity = identity;
    e.kind = c.u32("kind");
    const L::KindLayout* k = L::kindLayout(e.kind);
    if (c.ok() && k == nullptr) return fail(where + ": unknown kind " + hex(e.kind));
    c.skip(20, "reserved");
    e.name = utf8(c.cstring("name", kMaxTextBytes), where + ": name");
    e.comment = utf8(c.cstring("comment", kMaxTextBytes), where + ": comment");
    c.skip(4, "reserved");
    e.left = c.i32("left");
    e.top = c.i32("top");
    e.width = c.i32("width");
    e.height = c.i32("height");
    if (c.ok()) {
        if (const std::string problem = L::geometryProblem(e); !problem.empty()) return fail(where + ": " + problem);
    }
    c.skip(4, "reserved");
    e.parent = c.u32("parent");
    const uint32_t children = c.u32("child list size");
    if (c.ok() && (children % 4 != 0 || children / 4 > kMaxElements))
        return fail(where + ": child list size " + hex(children) + " is not a multiple of 4 up to " + hex(kMaxElements * 4));
    if (!c.need(children, "child list")) return;
    e.children.resize(children / 4);
    for (uint32_t& child : e.children) child = c.u32("child");
    const std::string_view cursor = c.counted("cursor", kMaxTextBytes);
    e.cursor.assign(cursor.begin(), cursor.end());
    e.tag = utf8(c.cstring("tag", kMaxTextBytes), where + ": tag");
    c.skip(4, "reserved");
    e.flags = c.u32("flags");
    c.skip(4, "reserved");
    const uint32_t events = c.u32("event count");
    if (c.ok() && events > kMaxEvents) return fail(where + ": event count " + hex(events) + " exceeds the limit " + hex(kMaxEvents));
    if (!c.need(size_t{events} * 8, "event bindings")) return;
    for (uint32_t i = 0; i < events; ++i) {
        form::EventBinding b;
        b.event = c.i32("event");
        const uint32_t handler = c.u32("handler");
        const std::optional<uint32_t> routine = img_.linkage.routineAt(handler);
        if (!routine)
            return fail(where + ": event " + hex(static_cast<uint32_t>(b.event)) + " has the handler offset " + hex(handler) +
                        ", which is not a routine entry");
        b.routine = *routine;
        e.events.push_back(b);
    }
    if (c.ok()) readProperties(c, e, *k);
}

void Reader::readProperties(Cursor& c, form::Element& e, const L::KindLayout& k)
{
    const size_t begin = c.pos(), size = c.remaining();
    const L::PropField& last = k.fields.back();
    if (size == L::kPropertyPrefix) {
        e.has_properties = false;
        e.layout_version = 0;
        return;
    }
    if (size < last.offset)
        return fail(c.where() + ": property data has " + hex(size) + " bytes, expected " + hex(L::kPropertyPrefix) +
                    " or at least " + hex(last.offset) + " for a " + k.name);
    e.layout_version = word(begin + L::kLayoutVersionAt);
    for (const L::PropField& f : k.fields) {
        if (L::isWordProp(f.prop)) L::setWordProp(e, f.prop, word(begin + f.offset));
    }
    c.skip(last.offset, "property data");
    const std::string what = c.where() + ": " + L::propName(last.prop);
    switch (last.prop) {
    case L::Prop::Items: {
        const uint16_t n = c.u16("item count");
        for (uint32_t i = 0; i < n && c.ok(); ++i) e.items.push_back(utf8(c.counted("item", kMaxTextBytes), what));
        break;
    }
    case L::Prop::Picture: {
        const std::string_view picture = c.counted("picture", kMaxImageSize);
        e.picture.assign(picture.begin(), picture.end());
        break;
    }
    default: e.text = utf8(c.counted("text", kMaxTextBytes), what);
    }
    if (c.ok() && c.remaining() != 0)
        return fail(c.where() + ": property data has " + hex(c.remaining()) + " bytes after its last field");
}

} // namespace gr::image::detail
