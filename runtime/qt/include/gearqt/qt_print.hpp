// Renders a print job on a paged device. The printer and the PDF writer
// share this one function, so a PDF shows exactly what paper would.
#pragma once

#include <gearhost/window_system.hpp>

class QPagedPaintDevice;

namespace gr::qt {

// Page margins used when a text runs on: a line that would end below
// kBottomMarginMm continues at kTopMarginMm on a new page, and a line that
// would pass kSideMarginMm from the paper's right edge continues below.
inline constexpr double kTopMarginMm = 20.0;
inline constexpr double kBottomMarginMm = 15.0;
inline constexpr double kSideMarginMm = 10.0;

// Paints the job's items in order; positions are tenths of a millimetre
// from the paper's top-left corner to the top of a text's first line, font
// sizes the height of a text's lines in points (ascent and descent of the
// typeface together). False when the device cannot be painted on.
bool renderPrintJob(QPagedPaintDevice& device, const PrintJob& job);

// Renders the job into an A4 PDF file.
bool writePrintJobPdf(const PrintJob& job, const std::string& pdf_path);

} // namespace gr::qt
