// What the catalogue reader checks about a file besides its content: that
// it stood still while it was read, and that no file beside it holds
// changes that SQLite would apply to it.
#pragma once

#include <geardb/catalogue_file.hpp>

#include <cstdint>
#include <string>

namespace gr::db {

// Calls the test hook, if any, for this step of a read.
void readStep(ReadStep step);

// The files SQLite keeps beside a database while it changes it. A rollback
// journal whose header is not zeroed is a change that was never finished:
// SQLite rolls the database back with it before anyone reads, which writes
// the file. A write-ahead log with committed transactions holds changes
// that SQLite reads as part of the database. This reader writes nothing
// and takes the database file alone, so either refuses the file: returns
// what is wrong (naming the side file and what to do), or an empty string.
std::string checkSideFiles(const std::string& path);

} // namespace gr::db
