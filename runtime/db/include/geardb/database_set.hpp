// The runtime's record databases: catalogue files opened read-only under
// one-letter aliases, a current database and a current record, and typed
// field reads. Pure C++ over SQLite; no window system here.
#pragma once

#include <gearrt/services.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace gr::db {

// A field value as read, with its kind preserved. `text` stays valid until
// the database it came from is replaced or closed.
struct FieldValue {
    gr_kind kind = GR_KIND_NONE;
    int64_t i = 0;  // BYTE, SHORT, INT, LONG
    float f = 0.0f; // FLOAT
    double d = 0.0; // DOUBLE
    std::string_view text;
};

// What a reader requires of a field: anything, one of the six numeric
// kinds, or a text.
enum class Expect { Any, Number, Text };

struct ReadResult {
    gr_status status = GR_OK; // GR_OK, GR_ERR_NUMBER_EXPECTED, GR_ERR_TEXT_EXPECTED or GR_ERR_DATABASE
    FieldValue value;
    std::string message; // on error: names the file, the field and the kinds involved
};

// Result of a search: found, not found, or the condition aborted.
enum class SearchOutcome { Found, NotFound, Aborted };

class DatabaseSet {
public:
    DatabaseSet();
    ~DatabaseSet();
    DatabaseSet(const DatabaseSet&) = delete;
    DatabaseSet& operator=(const DatabaseSet&) = delete;

    // Opens a catalogue file read-only under `alias`, replacing any database
    // already open under that alias (also when the new open fails: the alias
    // is then closed). Returns an empty string on success, else a message
    // naming the file and what is wrong with it.
    std::string open(std::string_view path, std::string_view alias);

    // Whether the last open() ended otherwise than the previous open of the
    // same path (opened, or refused with another message); true for a
    // path's first open. So a file that cannot be opened can be reported
    // once, and again only when its state changes.
    bool lastOpenChanged() const;

    // Makes the database under `alias` current. False when nothing is open
    // under it (there is then no current database).
    bool select(std::string_view alias);

    // Makes the first record of the current database current. False when
    // there is no current database or it has no records.
    bool goFirst();

    // Calls `condition` once per record, from the current record on, in file
    // order, until it returns 1 (that record stays current: Found). A return
    // below 0 stops the search (Aborted; the record it was called for stays
    // current). When the records run out there is no current record.
    SearchOutcome search(const std::function<int()>& condition);

    // Reads a field of the current record.
    ReadResult readField(std::string_view name, Expect expect) const;

    // File name (without folder) of the current database; empty when none.
    std::string currentFileName() const;

    // Whether a database is open under `alias`.
    bool isOpen(std::string_view alias) const;
    // Why the last open() under `alias` failed; empty when it succeeded or
    // none was tried.
    std::string openFailure(std::string_view alias) const;

    // From now on goFirst() on `alias` makes record `record` (counted from 0)
    // current instead of the first. For a caller that knows that no record
    // before it can satisfy the search to come, so the search finds what it
    // would have found from the first record without visiting the others.
    // 0 restores the ordinary start; open() does too.
    void setSearchStart(std::string_view alias, std::size_t record);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace gr::db
