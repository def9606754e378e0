#include "model/CTernData.h"

#include "model/CDomain.h"

#include <algorithm>

namespace Orvanta {

CTernData::CTernData() {
    m_patchFiles.reserve(kPatchSlots);
    for (std::size_t i = 0; i < kPatchSlots; ++i) {
        auto patch = std::make_unique<CPatch>();
        patch->m_path.clear();
        patch->SetName("", false);
        m_patches.Append(std::move(patch));
        m_patchFiles.emplace_back();
    }
    m_waveFiles.reserve(kWaveSlots);
    for (std::size_t i = 0; i < kWaveSlots; ++i) {
        auto wave = std::make_unique<CWave>();
        wave->m_path.clear();
        wave->SetName("", false);
        m_waves.Append(std::move(wave));
        m_waveFiles.emplace_back();
    }
}

CTernData::~CTernData() {
    CDomain& domain = CDomain::Instance();
    if (domain.IsUndoProject(this)) {
        domain.ClearUndo();
    }
    domain.NotifyProjectGone(this);
}

CParameterArray& CTernData::List(int which) {
    return which == kPatchList ? static_cast<CParameterArray&>(m_patches) : m_waves;
}

const CParameterArray& CTernData::List(int which) const {
    return which == kPatchList ? static_cast<const CParameterArray&>(m_patches) : m_waves;
}

std::size_t CTernData::Capacity(int which) {
    switch (which) {
    case kPatchList:
        return kPatchSlots;
    case kWaveList:
        return kWaveSlots;
    default:
        return 0;
    }
}

bool CTernData::IsValidRange(int which, std::size_t start, std::size_t count) const {
    const std::size_t size = List(which).size();
    return start < size && count <= size - start;
}

std::size_t CTernData::CountEmpty(int which) const {
    if (which != kPatchList && which != kWaveList) {
        return 0;
    }
    const CParameterArray& list = List(which);
    std::size_t count = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list.Element(i).IsEmpty()) {
            ++count;
        }
    }
    return count;
}

bool CTernData::AnyUsedInRange(int which, std::size_t start, std::size_t count) const {
    const CParameterArray& list = List(which);
    const std::size_t end = std::min(list.size(), start + count);
    for (std::size_t i = start; i < end; ++i) {
        if (!list.Element(i).IsEmpty()) {
            return true;
        }
    }
    return false;
}

bool CTernData::AnyUsedInTail(int which, std::size_t count) const {
    const std::size_t size = List(which).size();
    const std::size_t start = count >= size ? 0 : size - count;
    return AnyUsedInRange(which, start, size - start);
}

std::size_t CTernData::UsedExtent(int which) const {
    return List(which).UsedExtent();
}

std::vector<std::size_t> CTernData::EmptySlots(int which) const {
    std::vector<std::size_t> slots;
    if (which != kPatchList && which != kWaveList) {
        return slots;
    }
    const CParameterArray& list = List(which);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list.Element(i).IsEmpty()) {
            slots.push_back(i);
        }
    }
    return slots;
}

bool CTernData::SetProjectPath(const std::string& path) {
    m_projectPath = path;
    return IsProjectPath(path);
}

bool CTernData::IsProjectPath(const std::string& path) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    std::string tail = path.substr(dot);
    for (char& c : tail) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return tail == ".prj/";
}

} // namespace Orvanta
