#include "operations/DuplicateSearch.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/WaveReferences.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace Orvanta {

namespace {

// Byte offsets of a patch file: the container header ends at 30, the oscillator blocks lie from 262
// to 1509 (the storage layer's patch file layout).
constexpr std::int64_t kPatchHeaderEnd = 30;
constexpr std::int64_t kPatchBlocksBegin = 262;
constexpr std::int64_t kPatchBlocksEnd = 1510;

// Splits `members` (indices into `paths`, files of one size) into classes of equal content in
// `region`: hashes first, bytes only for equal hashes, the source told of all members first so that
// it can read each once. Members whose file cannot be read are left
// out. Classes keep the members' order and come in the order of their first members.
std::vector<std::vector<std::size_t>> SplitByContent(const std::vector<std::size_t>& members,
                                                     const std::vector<std::string>& paths, CContentSource& content,
                                                     const CByteRegion& region) {
    std::vector<std::string> memberPaths;
    for (const std::size_t m : members) {
        memberPaths.push_back(paths[m]);
    }
    content.Prepare(memberPaths, region);
    std::vector<std::pair<std::uint64_t, std::size_t>> hashed;
    for (const std::size_t m : members) {
        if (const std::optional<std::uint64_t> hash = content.Hash(paths[m], region)) {
            hashed.emplace_back(*hash, m);
        }
    }
    std::stable_sort(hashed.begin(), hashed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::vector<std::size_t>> classes;
    for (auto run = hashed.begin(); run != hashed.end();) {
        const auto end = std::find_if(run, hashed.end(), [&](const auto& h) { return h.first != run->first; });
        const std::size_t firstClass = classes.size();
        for (auto it = run; it != end; ++it) {
            const std::size_t m = it->second;
            const auto same = std::find_if(classes.begin() + static_cast<std::ptrdiff_t>(firstClass), classes.end(),
                                           [&](const std::vector<std::size_t>& c) {
                                               const std::string& first = paths[c.front()];
                                               return first == paths[m] || content.SameBytes(first, paths[m], region);
                                           });
            if (same == classes.end()) {
                classes.push_back({m});
            } else {
                same->push_back(m);
            }
        }
        run = end;
    }
    std::sort(classes.begin(), classes.end());
    return classes;
}

// Groups `candidates` that share a key into content classes; the key must include the file size.
template <class Key>
std::vector<std::vector<std::size_t>> ClassesByKey(const std::vector<Key>& keys, const std::vector<std::string>& paths,
                                                   CContentSource& content, const CByteRegion& region) {
    std::map<Key, std::vector<std::size_t>> byKey;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        byKey[keys[i]].push_back(i);
    }
    std::vector<std::vector<std::size_t>> classes;
    for (const auto& [key, members] : byKey) {
        if (members.size() < 2) {
            continue;
        }
        for (std::vector<std::size_t>& c : SplitByContent(members, paths, content, region)) {
            if (c.size() >= 2) {
                classes.push_back(std::move(c));
            }
        }
    }
    std::sort(classes.begin(), classes.end());
    return classes;
}

// A patch's oscillator values with the digits of every wave reference set to 0.
std::vector<std::uint8_t> ValuesWithoutWaveNumbers(const CPatch& patch) {
    CPatch copy(patch);
    std::vector<std::uint8_t> values;
    values.reserve(CPatch::kOscCount * COsc::kValueCount);
    ForEachReference(copy, [](COsc& osc, int r) { osc.SetWaveNumber(r, 0); });
    for (const COsc& osc : copy.m_osc) {
        values.insert(values.end(), osc.m_values.begin(), osc.m_values.end());
    }
    return values;
}

} // namespace

CByteRegion PatchFileRegion() {
    return CByteRegion{kPatchHeaderEnd, kPatchBlocksBegin, kPatchBlocksEnd};
}

CDuplicateGroups FindDuplicates(const std::vector<const CTernData*>& projects, CContentSource& content) {
    const CContentSearch search(content);
    CDuplicateGroups groups;

    // Waves: every used slot with a file, keyed by size.
    std::vector<CSlotRef> waves;
    std::vector<std::string> wavePaths;
    std::vector<std::int64_t> waveSizes;
    for (std::size_t p = 0; p < projects.size(); ++p) {
        const CWaveArray& list = projects[p]->m_waves;
        for (std::size_t j = 0; j < list.size(); ++j) {
            if (list[j].IsEmpty()) {
                continue;
            }
            const std::int64_t size = content.Size(list[j].m_path);
            if (size >= 0) {
                waves.push_back({p, j});
                wavePaths.push_back(list[j].m_path);
                waveSizes.push_back(size);
            }
        }
    }
    const std::vector<std::vector<std::size_t>> waveClasses = ClassesByKey(waveSizes, wavePaths, content, {});

    // Each used wave's content class, for comparing the waves that patches use: a wave without
    // duplicates is a class of its own, and so is a wave whose file cannot be read.
    std::vector<std::vector<std::int64_t>> waveClass(projects.size());
    std::int64_t nextClass = 0;
    for (std::size_t p = 0; p < projects.size(); ++p) {
        waveClass[p].assign(projects[p]->m_waves.size(), -1);
        for (std::size_t j = 0; j < projects[p]->m_waves.size(); ++j) {
            if (!projects[p]->m_waves[j].IsEmpty()) {
                waveClass[p][j] = nextClass++;
            }
        }
    }
    for (const std::vector<std::size_t>& members : waveClasses) {
        std::vector<CSlotRef>& group = groups.waves.emplace_back();
        for (const std::size_t m : members) {
            group.push_back(waves[m]);
            waveClass[waves[m].project][waves[m].slot] = nextClass;
        }
        ++nextClass;
        groups.waveBytes.push_back(waveSizes[members.front()]);
    }

    // Patches: keyed by file size, oscillator values without wave numbers and the classes of the
    // waves referenced, in reference order (-1 for a reference to no used wave).
    using PatchKey = std::tuple<std::int64_t, std::vector<std::uint8_t>, std::vector<std::int64_t>>;
    std::vector<CSlotRef> patches;
    std::vector<std::string> patchPaths;
    std::vector<PatchKey> patchKeys;
    for (std::size_t p = 0; p < projects.size(); ++p) {
        const CTernData& project = *projects[p];
        for (std::size_t i = 0; i < project.m_patches.size(); ++i) {
            const CPatch& patch = project.m_patches[i];
            if (patch.IsEmpty()) {
                continue;
            }
            const std::int64_t size = content.Size(patch.m_path);
            if (size < kPatchBlocksEnd) {
                continue;
            }
            std::vector<std::int64_t> referenced;
            ForEachReference(patch, [&](const COsc& osc, int r) {
                const int n = osc.GetWaveNumber(r);
                const auto slot = static_cast<std::size_t>(n - 1);
                referenced.push_back(IsWaveSlotNumber(n) && slot < waveClass[p].size() ? waveClass[p][slot] : -1);
            });
            patches.push_back({p, i});
            patchPaths.push_back(patch.m_path);
            patchKeys.emplace_back(size, ValuesWithoutWaveNumbers(patch), std::move(referenced));
        }
    }
    for (const std::vector<std::size_t>& members : ClassesByKey(patchKeys, patchPaths, content, PatchFileRegion())) {
        std::vector<CSlotRef>& group = groups.patches.emplace_back();
        for (const std::size_t m : members) {
            group.push_back(patches[m]);
        }
    }
    return groups;
}

std::int64_t WastedWaveBytes(const std::vector<CSlotRef>& group, std::int64_t bytes) {
    std::map<std::size_t, std::int64_t> perProject;
    for (const CSlotRef& member : group) {
        ++perProject[member.project];
    }
    std::int64_t wasted = 0;
    for (const auto& [project, count] : perProject) {
        wasted += (count - 1) * bytes;
    }
    return wasted;
}

std::vector<std::vector<std::size_t>> WaveGroupsIn(const CDuplicateGroups& groups, std::size_t project) {
    std::vector<std::vector<std::size_t>> inProject;
    for (const std::vector<CSlotRef>& group : groups.waves) {
        std::vector<std::size_t> slots;
        for (const CSlotRef& member : group) {
            if (member.project == project) {
                slots.push_back(member.slot);
            }
        }
        if (slots.size() >= 2) {
            inProject.push_back(std::move(slots));
        }
    }
    return inProject;
}

std::size_t MergeDuplicateWaves(CTernData& project, const std::vector<std::vector<std::size_t>>& groups) {
    CWaveArray& waves = project.m_waves;
    std::size_t emptied = 0;
    for (std::vector<std::size_t> group : groups) {
        std::sort(group.begin(), group.end());
        group.erase(std::remove_if(group.begin(), group.end(),
                                   [&](std::size_t j) { return j >= waves.size() || waves[j].IsEmpty(); }),
                    group.end());
        group.erase(std::unique(group.begin(), group.end()), group.end());
        if (group.size() < 2) {
            continue;
        }
        if (emptied == 0) {
            CDomain& domain = CDomain::Instance();
            domain.ClearUndo();
            domain.SaveUndo(kUndoBoth, &project);
        }
        const std::size_t kept = group.front();
        const int keptNumber = static_cast<int>(kept + 1);
        for (auto other = group.begin() + 1; other != group.end(); ++other) {
            CWave& wave = waves[*other];
            const int number = static_cast<int>(*other + 1);
            for (const std::int32_t p : wave.m_users) {
                if (p < 0 || static_cast<std::size_t>(p) >= project.m_patches.size()) {
                    continue;
                }
                ForEachReference(project.m_patches[static_cast<std::size_t>(p)], [&](COsc& osc, int r) {
                    if (osc.GetWaveNumber(r) == number) {
                        osc.SetWaveNumber(r, keptNumber);
                    }
                });
                waves[kept].AddUser(p, false);
            }
            wave.SetName("", false);
            wave.m_path.clear();
            wave.ClearUsers();
            ++emptied;
        }
    }
    return emptied;
}

} // namespace Orvanta
