#include <gearhost/print_spooler.hpp>

namespace gr {

void PrintSpooler::begin(const std::string& document_name, const PrintAnswer& answer, double font_size)
{
    job_ = PrintJob{};
    job_->document_name = document_name;
    job_->pdf_path = answer.pdf_path;
    font_size_ = font_size;
}

void PrintSpooler::place(int x, int y, std::string text)
{
    if (!job_) return;
    PrintItem item;
    item.font_size = font_size_;
    item.x = x;
    item.y = y;
    item.text = std::move(text);
    job_->items.push_back(std::move(item));
}

void PrintSpooler::draw(std::vector<PagePoint> points, double pen_width)
{
    if (!job_ || points.size() < 2) return;
    PrintItem item;
    item.font_size = font_size_;
    item.points = std::move(points);
    item.pen_width = pen_width;
    job_->items.push_back(std::move(item));
}

std::optional<bool> PrintSpooler::end(WindowSystem& ws)
{
    if (!job_) return std::nullopt;
    PrintJob job = std::move(*job_);
    job_.reset();
    const bool ok = ws.submitPrintJob(job);
    sent_.push_back(std::move(job));
    return ok;
}

} // namespace gr
