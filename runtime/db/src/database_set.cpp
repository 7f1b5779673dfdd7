#include <geardb/database_set.hpp>

#include <geardb/catalogue_file.hpp>

#include <optional>
#include <vector>

namespace gr::db {

namespace {

gr_kind grKindOf(FieldKind kind) noexcept
{
    switch (kind) {
    case FieldKind::Text: return GR_KIND_TEXT;
    case FieldKind::Byte: return GR_KIND_BYTE;
    case FieldKind::Short: return GR_KIND_SHORT;
    case FieldKind::Int: return GR_KIND_INT;
    case FieldKind::Long: return GR_KIND_LONG;
    case FieldKind::Float: return GR_KIND_FLOAT;
    case FieldKind::Double: return GR_KIND_DOUBLE;
    }
    return GR_KIND_NONE;
}

std::string quoted(std::string_view name)
{
    return "“" + std::string(name) + "”";
}

} // namespace

// Every open database keeps its own record position, so selecting another
// alias and coming back finds the record where it was. A freshly opened
// database stands on its first record (none when it is empty).
struct DatabaseSet::Impl {
    struct Open {
        std::string alias;
        std::unique_ptr<Catalogue> catalogue;
        std::optional<std::size_t> record;
        std::size_t search_start = 0; // where goFirst() goes
    };

    std::vector<std::unique_ptr<Open>> open; // a handful of aliases: a list is enough
    // Why the last open of an alias failed, for the aliases whose last open did.
    std::vector<std::pair<std::string, std::string>> failures;
    // How the latest open of each path ended: "" opened, else the message.
    std::vector<std::pair<std::string, std::string>> outcomes;
    bool last_open_changed = false;
    Open* current = nullptr;
    // Bumped by every call that changes which database or record is current,
    // so a search notices when its condition did so.
    std::uint64_t epoch = 0;

    // Records how an open of `path` ended; whether that differs from the
    // path's previous open (a first open always does).
    bool noteOutcome(std::string_view path, const std::string& outcome)
    {
        for (auto& [known, previous] : outcomes) {
            if (known != path) continue;
            const bool changed = previous != outcome;
            previous = outcome;
            return changed;
        }
        outcomes.emplace_back(std::string(path), outcome);
        return true;
    }

    Open* find(std::string_view alias) const noexcept
    {
        for (const auto& o : open)
            if (o->alias == alias) return o.get();
        return nullptr;
    }
};

DatabaseSet::DatabaseSet() : impl_(std::make_unique<Impl>()) {}
DatabaseSet::~DatabaseSet() = default;

std::string DatabaseSet::open(std::string_view path, std::string_view alias)
{
    ++impl_->epoch;
    Catalogue::LoadResult loaded = Catalogue::load(std::string(path));
    impl_->last_open_changed = impl_->noteOutcome(path, loaded.catalogue ? std::string() : loaded.error);

    std::erase_if(impl_->failures, [alias](const auto& f) { return f.first == alias; });
    if (!loaded.catalogue) impl_->failures.emplace_back(std::string(alias), loaded.error);
    Impl::Open* slot = impl_->find(alias);
    if (!loaded.catalogue) {
        if (slot) {
            if (impl_->current == slot) impl_->current = nullptr;
            std::erase_if(impl_->open, [slot](const auto& o) { return o.get() == slot; });
        }
        return loaded.error;
    }
    if (!slot) {
        impl_->open.push_back(std::make_unique<Impl::Open>());
        slot = impl_->open.back().get();
        slot->alias = std::string(alias);
    }
    // When the replaced database was current, the alias stays current and
    // now means the new file.
    slot->catalogue = std::move(loaded.catalogue);
    slot->search_start = 0;
    slot->record.reset();
    if (slot->catalogue->recordCount() > 0) slot->record = 0;
    return {};
}

bool DatabaseSet::lastOpenChanged() const
{
    return impl_->last_open_changed;
}

bool DatabaseSet::select(std::string_view alias)
{
    ++impl_->epoch;
    impl_->current = impl_->find(alias);
    return impl_->current != nullptr;
}

bool DatabaseSet::goFirst()
{
    ++impl_->epoch;
    Impl::Open* db = impl_->current;
    if (!db) return false;
    db->record.reset();
    if (db->search_start >= db->catalogue->recordCount()) return false;
    db->record = db->search_start;
    return true;
}

SearchOutcome DatabaseSet::search(const std::function<int()>& condition)
{
    ++impl_->epoch;
    Impl::Open* db = impl_->current;
    if (!db || !db->record) return SearchOutcome::NotFound;
    const std::size_t count = db->catalogue->recordCount();
    for (std::size_t r = *db->record; r < count; ++r) {
        db->record = r;
        const std::uint64_t before = impl_->epoch;
        const int verdict = condition();
        // A condition that opened, selected or moved records has pulled the
        // ground from under this search (`db` may even be gone): stop.
        if (impl_->epoch != before) return SearchOutcome::Aborted;
        if (verdict < 0) return SearchOutcome::Aborted;
        if (verdict > 0) return SearchOutcome::Found;
    }
    db->record.reset();
    return SearchOutcome::NotFound;
}

ReadResult DatabaseSet::readField(std::string_view name, Expect expect) const
{
    ReadResult out;
    const Impl::Open* db = impl_->current;
    if (!db) {
        out.status = GR_ERR_DATABASE;
        out.message = "读取字段" + quoted(name) + "失败：当前没有选定的数据库。";
        return out;
    }
    const Catalogue& cat = *db->catalogue;
    if (!db->record) {
        out.status = GR_ERR_DATABASE;
        out.message = "读取 " + std::string(cat.fileName()) + " 的字段" + quoted(name) +
                      "失败：当前没有记录（查找没有找到，或已越过最后一条记录）。";
        return out;
    }
    const auto field = cat.fieldIndex(name);
    if (!field) {
        out.status = GR_ERR_DATABASE;
        out.message = "读取字段" + quoted(name) + "失败：" + std::string(cat.fileName()) +
                      " 中没有这个字段。";
        return out;
    }
    const FieldKind kind = cat.field(*field).kind;
    if ((expect == Expect::Number && !isNumeric(kind)) ||
        (expect == Expect::Text && kind != FieldKind::Text)) {
        const bool wantNumber = expect == Expect::Number;
        out.status = wantNumber ? GR_ERR_NUMBER_EXPECTED : GR_ERR_TEXT_EXPECTED;
        out.message = "读取 " + std::string(cat.fileName()) + " 的字段" + quoted(name) + "时需要" +
                      (wantNumber ? "数字" : "文本") + "，但该字段的值是" +
                      std::string(kindDisplayName(kind)) + "（" + std::string(kindKeyword(kind)) +
                      "）。";
        return out;
    }

    const std::size_t r = *db->record;
    out.value.kind = grKindOf(kind);
    switch (kind) {
    case FieldKind::Text: out.value.text = cat.textAt(*field, r); break;
    case FieldKind::Float:
        out.value.f = cat.floatAt(*field, r);
        out.value.d = static_cast<double>(out.value.f);
        break;
    case FieldKind::Double: out.value.d = cat.doubleAt(*field, r); break;
    default:
        out.value.i = cat.integerAt(*field, r);
        out.value.d = static_cast<double>(out.value.i);
        break;
    }
    return out;
}

std::string DatabaseSet::currentFileName() const
{
    const Impl::Open* db = impl_->current;
    return db ? std::string(db->catalogue->fileName()) : std::string();
}

bool DatabaseSet::isOpen(std::string_view alias) const
{
    return impl_->find(alias) != nullptr;
}

std::string DatabaseSet::openFailure(std::string_view alias) const
{
    for (const auto& [failed, why] : impl_->failures)
        if (failed == alias) return why;
    return {};
}

void DatabaseSet::setSearchStart(std::string_view alias, std::size_t record)
{
    ++impl_->epoch;
    if (Impl::Open* db = impl_->find(alias)) db->search_start = record;
}

} // namespace gr::db
