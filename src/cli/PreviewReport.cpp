#include "cli/PreviewReport.h"

#include "cli/ProjectReport.h"

namespace Orvanta::Cli {

namespace {

std::string JsonPaths(const std::vector<std::string>& paths) {
    std::string json = "[";
    for (const std::string& path : paths) {
        json += (json.size() > 1 ? "," : "") + JsonString(path);
    }
    return json + "]";
}

} // namespace

std::string FormatPreviewJson(const CSavePreview& preview) {
    std::string json =
        "{\"project\":" + JsonString(preview.project) + ",\"write\":" + JsonPaths(preview.write) + ",\"move\":[";
    for (std::size_t i = 0; i < preview.move.size(); ++i) {
        json +=
            (i > 0 ? ",[" : "[") + JsonString(preview.move[i].first) + "," + JsonString(preview.move[i].second) + "]";
    }
    json += "],\"park\":" + JsonPaths(preview.park) + ",\"delete\":[";
    for (std::size_t i = 0; i < preview.remove.size(); ++i) {
        json += (i > 0 ? ",{" : "{") + std::string("\"path\":") + JsonString(preview.remove[i].path) +
                ",\"why\":" + JsonString(DeletionReasonWord(preview.remove[i].why)) +
                (preview.remove[i].to == DeletionEnd::kTrash  ? ",\"to\":\"trash\"}"
                 : preview.remove[i].to == DeletionEnd::kKept ? ",\"to\":\"kept\"}"
                                                              : "}");
    }
    return json + "]}";
}

} // namespace Orvanta::Cli
