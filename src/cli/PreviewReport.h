#pragma once

#include "storage/SavePreview.h"

#include <string>

namespace Orvanta::Cli {

// The preview of a save as one JSON object on one line: {"project", "write": [paths], "move":
// [[from, to], ...], "park": [paths], "delete": [{"path", "why"}, ...]}, full paths as "info --json"
// shows them, "why" one of "stray", "duplicate", "emptied", "replaced".
[[nodiscard]] std::string FormatPreviewJson(const CSavePreview& preview);

} // namespace Orvanta::Cli
