// The PDF module of gearcalc-report: the Qt page rendering of the inspection
// card in a library of its own, "gearcalc-pdf.so" beside the executable, so
// that only a run with --card loads Qt. This is the call between the two.
//
// The call passes C++ objects of the same build (the print job, strings), so
// the module and the executable must come from the same build: the call
// starts with the interface number and the sizes of what it carries, and the
// module does nothing else when they are not its own.
#pragma once

#include <gearhost/window_system.hpp>

#include <cstdint>
#include <string>

namespace gearcalc::report {

inline constexpr const char* kCardPdfModuleName = "gearcalc-pdf.so";
inline constexpr const char* kCardPdfEntryName = "gearcalc_card_pdf";

// Raised whenever the call or the types it carries change.
inline constexpr std::uint32_t kCardPdfInterface = 1;

// What the module answers.
enum CardPdfStatus : std::int32_t {
    kCardPdfDone = 0,     // `pdf` holds the document (or, without a job, the module is ready)
    kCardPdfFailed = 1,   // `error` says why
    kCardPdfMismatch = 2, // another interface: only `module_interface` was written
};

struct CardPdfCall {
    // These three stay where they are in every interface, so that any
    // module can say it does not fit.
    std::uint32_t caller_interface = kCardPdfInterface;
    std::uint32_t call_size = sizeof(CardPdfCall);
    std::uint32_t module_interface = 0; // written by the module
    // The sizes of the types passed, as the caller was built.
    std::uint32_t job_size = sizeof(gr::PrintJob);
    std::uint32_t item_size = sizeof(gr::PrintItem);
    std::uint32_t string_size = sizeof(std::string);
    // Null: only check that the module fits.
    const gr::PrintJob* job = nullptr;
    std::string* pdf = nullptr;
    std::string* error = nullptr;
};

// Whether `call` was made by a caller of this build's interface.
inline bool cardPdfCallFits(const CardPdfCall& call)
{
    const CardPdfCall own;
    return call.caller_interface == own.caller_interface && call.call_size == own.call_size && call.job_size == own.job_size &&
           call.item_size == own.item_size && call.string_size == own.string_size;
}

using CardPdfEntry = std::int32_t (*)(CardPdfCall*);

} // namespace gearcalc::report
