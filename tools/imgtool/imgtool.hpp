// imgtool: inspects, verifies and packs program images. The commands live
// in a library so the tests can run them without a child process.
#pragma once

#include <gearimg/image.hpp>

#include <iosfwd>
#include <string>

namespace imgtool {

// The program's image contents: its form, routine table and constants.
gr::image::Program programImage();

// Each command answers the process exit code: 0 done, 1 failed (the reason
// is written to `err`).
int inspect(const std::string& image_path, std::ostream& out, std::ostream& err);
int verify(const std::string& image_path, std::ostream& out, std::ostream& err);
int extractLogo(const std::string& image_path, const std::string& jpeg_path, std::ostream& out, std::ostream& err);
int pack(const std::string& image_path, std::ostream& out, std::ostream& err);

} // namespace imgtool
