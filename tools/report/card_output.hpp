// --card: the inspection card of a gear as a one-page PDF file, the very
// pages the window's 打印检测卡 sends to the printer, rendered by the same
// code as the window's "打印到文件". Only the Linux build renders PDF files;
// on Windows the card is printed from the window.
#pragma once

#include "report_session.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace gearcalc::report {

// Whether this build can write cards.
bool cardsAvailable();

// Loads the module that renders the cards as PDF, gearcalc-pdf.so in
// `program_folder` (the executable's), and checks that it comes from this
// build; it stays loaded. Only runs with a card need it: the rest of the
// program does without Qt. Returns an empty string or the reason.
std::string loadCardRenderer(const std::string& program_folder);

// The file name of an item's card: the item number and ".pdf". Nothing,
// with the reason in `problem`, when the item number cannot be a file name
// on every system the cards may be copied to: empty, longer than 200
// bytes, with a control character, a path separator or one of : * ? " < > |,
// starting with a dot or a space, ending in a dot or a space, or a device
// name of Windows (CON, NUL, COM1 …, with or without an extension).
std::optional<std::string> cardFileName(std::string_view item, std::string& problem);

// Checks a card's target before anything is calculated: for one gear a
// file in an existing folder that may be replaced (not a folder, a device,
// a read-only file); for every item (`folder`) a folder, made when it does
// not exist yet. Returns an empty string or the reason.
std::string checkCardTarget(const std::string& path, bool folder);

// Prints the card of the session's last run and writes it to `path`,
// completely or not at all, once loadCardRenderer() has succeeded. Returns
// an empty string or the reason.
std::string writeCard(Session& session, const std::string& path);

// `folder` joined with `name`.
std::string cardPath(const std::string& folder, const std::string& name);

} // namespace gearcalc::report
