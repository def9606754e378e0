#include "operations/NameSearch.h"

#include "model/CTernData.h"

#include <algorithm>

namespace Orvanta {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool NameContains(std::string_view name, std::string_view text) {
    const auto found = std::search(name.begin(), name.end(), text.begin(), text.end(),
                                   [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
    return found != name.end() || text.empty();
}

std::vector<CNameHit> FindNames(const std::vector<const CTernData*>& projects, std::string_view text) {
    std::vector<CNameHit> hits;
    if (text.empty()) {
        return hits;
    }
    for (std::size_t p = 0; p < projects.size(); ++p) {
        if (projects[p] == nullptr) {
            continue;
        }
        for (const int which : {kPatchList, kWaveList}) {
            const CParameterArray& list = projects[p]->List(which);
            for (std::size_t i = 0; i < list.size(); ++i) {
                const CParameter& item = list.Element(i);
                if (!item.IsEmpty() && NameContains(item.m_name, text)) {
                    hits.push_back({p, which, i});
                }
            }
        }
    }
    return hits;
}

} // namespace Orvanta
