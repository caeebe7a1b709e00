// The controls of the link commands' dialogs (summary 252, update links 255, link info 256)
// that code reads or fills.
#pragma once

namespace link_dialog_controls {

// Summary box.
constexpr int kSummaryText = 253;
constexpr int kDoNotShowAgain = 254;

// Update Links.
constexpr int kOldPath = 255;
constexpr int kNewPath = 256;

// Link Info.
constexpr int kMessageSubject = 255;
constexpr int kLinksText = 257;

} // namespace link_dialog_controls
