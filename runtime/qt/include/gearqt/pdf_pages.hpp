// Recorded print pages as a PDF, for programs that have no window: the
// same rendering as printing to a PDF file from the window, without any
// Qt type in sight. Qt's application object is made on first use (on the
// offscreen platform, so no display is needed) and kept for the process.
#pragma once

#include <gearhost/window_system.hpp>

#include <string>

namespace gr::qt {

// The job's pages rendered as an A4 PDF document, returned as its bytes in
// `pdf`. False, with the reason in `error`, when the document could not be
// made (for instance with another Qt application object already running
// that cannot render fonts).
bool printJobPdfBytes(const PrintJob& job, std::string& pdf, std::string& error);

} // namespace gr::qt
