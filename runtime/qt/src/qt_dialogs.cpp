// The modal dialogs the runtime shows (message boxes, the print dialog) and
// the print jobs it sends.
#include "qt_window_impl.hpp"

#include <gearqt/qt_print.hpp>
#include <gearqt/qt_support.hpp>

#include <QMessageBox>
#include <QPrintDialog>

namespace gr {

namespace {

QMessageBox::Icon messageIcon(int32_t style)
{
    switch (style & 0xF0) {
    case 0x10: return QMessageBox::Critical;
    case 0x20: return QMessageBox::Question;
    case 0x30: return QMessageBox::Warning;
    case 0x40: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

int QtWindowSystem::showMessage(const MessageRequest& request)
{
    QWidget* parent = windowOpen() ? impl_->window.get() : nullptr;
    QMessageBox box(parent);
    box.setIcon(messageIcon(request.style));
    box.setWindowTitle(request.caption.empty() && impl_->window ? impl_->window->windowTitle()
                                                                : qtText(request.caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(qt::displayText(request.text));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return 1;
}

PrintAnswer QtWindowSystem::askPrint(const std::string& document_name)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(qtText(document_name));
    QPrintDialog dialog(printer.get(), windowOpen() ? impl_->window.get() : nullptr);
    PrintAnswer answer;
    answer.accepted = dialog.exec() == QDialog::Accepted;
    // "Print to file" leaves the printer in PDF mode with the chosen file,
    // paper and copies; the job is rendered on it like on paper.
    if (answer.accepted) impl_->chosen_printer = std::move(printer);
    return answer;
}

bool QtWindowSystem::submitPrintJob(const PrintJob& job)
{
    if (!job.pdf_path.empty()) return qt::writePrintJobPdf(job, job.pdf_path);
    if (!impl_->chosen_printer) impl_->chosen_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrinter& printer = *impl_->chosen_printer;
    printer.setDocName(qtText(job.document_name));
    printer.setFullPage(true); // positions are measured from the paper's corner
    return qt::renderPrintJob(printer, job);
}

} // namespace gr
