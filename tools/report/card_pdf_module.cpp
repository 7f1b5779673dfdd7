// gearcalc-pdf.so: the inspection card's pages rendered as PDF by the Qt
// print code, for gearcalc-report --card. Its one export is the call of
// card_pdf_module.hpp.
#include "card_pdf_module.hpp"

#include <gearqt/pdf_pages.hpp>

#include <exception>

using gearcalc::report::CardPdfCall;

extern "C" __attribute__((visibility("default"))) std::int32_t gearcalc_card_pdf(CardPdfCall* call)
{
    using namespace gearcalc::report;
    if (call == nullptr) return kCardPdfFailed;
    // The first fields are the same in every interface; nothing after them
    // is read from a caller of another one.
    call->module_interface = kCardPdfInterface;
    if (!cardPdfCallFits(*call)) return kCardPdfMismatch;
    if (call->job == nullptr) return kCardPdfDone;
    if (call->pdf == nullptr || call->error == nullptr) return kCardPdfFailed;
    // No exception crosses into the caller, which may be built otherwise.
    try {
        return gr::qt::printJobPdfBytes(*call->job, *call->pdf, *call->error) ? kCardPdfDone : kCardPdfFailed;
    } catch (const std::exception& e) {
        *call->error = std::string("the PDF could not be made: ") + e.what();
    } catch (...) {
        *call->error = "the PDF could not be made";
    }
    return kCardPdfFailed;
}
