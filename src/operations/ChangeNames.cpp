#include "operations/ChangeNames.h"

#include "model/CTernData.h"

namespace Orvanta {

std::string FormatSlotNumbers(const CSelection& selection) {
    std::string text;
    for (std::size_t i = 0; i < selection.size();) {
        std::size_t end = i + 1;
        while (end < selection.size() && selection[end] == selection[end - 1] + 1) {
            ++end;
        }
        const auto number = [&selection](std::size_t k) { return std::to_string(selection[k] + 1); };
        if (end - i >= 3) {
            text += (text.empty() ? "" : ", ") + number(i) + "-" + number(end - 1);
        } else {
            for (std::size_t k = i; k < end; ++k) {
                text += (text.empty() ? "" : ", ") + number(k);
            }
        }
        i = end;
    }
    return text;
}

const char* KindPlural(int which) {
    return which == kPatchList ? "patches" : "waves";
}

const char* KindWord(int which, std::size_t count) {
    return count == 1 ? (which == kPatchList ? "patch" : "wave") : KindPlural(which);
}

std::string NameOfTransfer(const std::string& verb, int which, const CSelection& selection, const std::string& source,
                           const std::string& target, bool sameProject, std::size_t number, bool insert) {
    const std::string what = verb + " " + KindWord(which, selection.size()) + " " + FormatSlotNumbers(selection);
    const std::string where = (insert ? "inserted at " : "at ") + std::to_string(number);
    if (sameProject) {
        return what + " to " + std::to_string(number) + (insert ? " (inserted)" : "") + " in " + target;
    }
    return what + " from " + source + " to " + target + " " + where;
}

std::string NameOfDelete(int which, const CSelection& selection, const std::string& project) {
    return std::string("Delete ") + KindWord(which, selection.size()) + " " + FormatSlotNumbers(selection) + " in " +
           project;
}

std::string NameOfRename(int which, const CSelection& selection, const std::string& project, const std::string& text) {
    return std::string("Rename ") + KindWord(which, selection.size()) + " " + FormatSlotNumbers(selection) + " in " +
           project + " to \"" + text + "\"";
}

std::string NameOfImport(std::size_t count, const std::string& project) {
    return "Import " + std::to_string(count) + (count == 1 ? " wave" : " waves") + " into " + project;
}

std::string NameOfClean(const std::string& project) {
    return "Clean " + project;
}

std::string NameOfMerge(const std::string& project) {
    return "Merge duplicate waves in " + project;
}

} // namespace Orvanta
