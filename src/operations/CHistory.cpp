#include "operations/CHistory.h"

#include "model/CTernData.h"
#include "operations/ChangeNames.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <string_view>

namespace Orvanta {

namespace {

constexpr char kPatchTag = 'P';
// What stays of a digit value in the shared bulk: the digit itself lives in the numbers.
constexpr std::uint8_t kDigitMask = 0xF0;

void PutSize(std::string& out, std::uint64_t value) {
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof value);
}

void PutText(std::string& out, std::string_view text) {
    PutSize(out, text.size());
    out.append(text);
}

// Reads back what PutSize and PutText wrote, in the same order.
class CBodyReader {
public:
    explicit CBodyReader(std::string_view body) : m_body(body) {}

    std::uint64_t Size() {
        std::uint64_t value = 0;
        std::memcpy(&value, m_body.data() + m_at, sizeof value);
        m_at += sizeof value;
        return value;
    }

    std::string_view Bytes(std::size_t count) {
        const std::string_view bytes = m_body.substr(m_at, count);
        m_at += count;
        return bytes;
    }

    std::string Text() {
        const auto count = static_cast<std::size_t>(Size());
        return std::string(Bytes(count));
    }

private:
    std::string_view m_body;
    std::size_t m_at = 1; // past the tag
};

// The positions of the four digits of reference r in a block, high digit first.
std::array<std::size_t, 4> Digits(int r) {
    const std::size_t first = COsc::DigitIndex(r);
    return {first, first + 1, first + 2, first + 3};
}

bool SameRecord(const CParameter& a, const CParameter& b, int which) {
    if (a.m_path != b.m_path || a.m_name != b.m_name) {
        return false;
    }
    if (which == kPatchList) {
        const auto& p = static_cast<const CPatch&>(a);
        const auto& q = static_cast<const CPatch&>(b);
        for (std::size_t k = 0; k < CPatch::kOscCount; ++k) {
            if (p.m_osc[k].m_values != q.m_osc[k].m_values) {
                return false;
            }
        }
        return p.m_knownPath == q.m_knownPath && p.m_knownStamp == q.m_knownStamp && p.m_knownBlocks == q.m_knownBlocks;
    }
    return static_cast<const CWave&>(a).m_users == static_cast<const CWave&>(b).m_users;
}

std::unique_ptr<CPatch> BuildPatch(const CSlotImage& image) {
    auto patch = std::make_unique<CPatch>();
    CBodyReader reader(*image.body);
    patch->m_path = image.path;
    patch->m_name = image.name;
    patch->m_knownPath = reader.Text();
    patch->m_knownStamp.size = static_cast<std::int64_t>(reader.Size());
    patch->m_knownStamp.modified = static_cast<std::int64_t>(reader.Size());
    const std::string_view blocks = reader.Bytes(static_cast<std::size_t>(reader.Size()));
    patch->m_knownBlocks.assign(blocks.begin(), blocks.end());
    std::size_t reference = 0;
    for (COsc& osc : patch->m_osc) {
        const std::string_view values = reader.Bytes(static_cast<std::size_t>(reader.Size()));
        osc.m_values.assign(values.begin(), values.end());
        for (int r = 0; r < static_cast<int>(COsc::kReferenceCount); ++r, ++reference) {
            if (!image.numbers.empty() && osc.m_values.size() == COsc::kValueCount) {
                const auto number = static_cast<std::uint32_t>(image.numbers[reference]);
                const auto digits = Digits(r);
                for (std::size_t d = 0; d < 4; ++d) {
                    osc.m_values[digits[d]] |= static_cast<std::uint8_t>((number >> (4 * (3 - d))) & 15U);
                }
            }
        }
    }
    return patch;
}

std::unique_ptr<CWave> BuildWave(const CSlotImage& image) {
    auto wave = std::make_unique<CWave>();
    wave->m_path = image.path;
    wave->m_name = image.name;
    wave->m_users = image.numbers;
    return wave;
}

void ReplaceSlot(CTernData& project, int which, std::size_t slot, const CSlotImage& image) {
    if (which == kPatchList) {
        project.m_patches.Replace(slot, BuildPatch(image));
    } else {
        project.m_waves.Replace(slot, BuildWave(image));
    }
}

std::vector<std::string> SlotPaths(const CTernData& project) {
    std::vector<std::string> paths;
    paths.reserve(project.m_patches.size() + project.m_waves.size());
    for (const int which : {kPatchList, kWaveList}) {
        const CParameterArray& list = project.List(which);
        for (std::size_t i = 0; i < list.size(); ++i) {
            paths.push_back(list.Element(i).m_path);
        }
    }
    return paths;
}

bool Involves(const CHistoryEntry& entry, const std::set<const CTernData*>& projects) {
    return std::any_of(entry.projects.begin(), entry.projects.end(),
                       [&projects](const CProjectChange& change) { return projects.count(change.project) > 0; });
}

std::string DefaultProjectName(const CTernData* project) {
    if (project == nullptr || project->m_projectPath.empty()) {
        return "Untitled";
    }
    std::string path = project->m_projectPath;
    while (!path.empty() && path.back() == '/') {
        path.pop_back();
    }
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::size_t CHistory::BodyHash::operator()(const std::shared_ptr<const std::string>& body) const {
    return std::hash<std::string>()(*body);
}

bool CHistory::BodyEqual::operator()(const std::shared_ptr<const std::string>& a,
                                     const std::shared_ptr<const std::string>& b) const {
    return *a == *b;
}

CHistory::CHistory() : m_recordedSerial(CDomain::Instance().UndoSerial()) {
    CDomain::Instance().AddObserver(this);
}

CHistory::~CHistory() {
    CDomain::Instance().RemoveObserver(this);
}

CHistory& CHistory::Instance() {
    static CHistory history;
    return history;
}

CSlotImage CHistory::Picture(const CParameter& record, int which) {
    std::string body;
    CSlotImage image;
    image.path = record.m_path;
    image.name = record.m_name;
    if (which == kPatchList) {
        const auto& patch = static_cast<const CPatch&>(record);
        body.reserve(CPatch::kOscCount * (COsc::kValueCount + 8) + patch.m_knownBlocks.size() + 128);
        body += kPatchTag;
        PutText(body, patch.m_knownPath);
        PutSize(body, static_cast<std::uint64_t>(patch.m_knownStamp.size));
        PutSize(body, static_cast<std::uint64_t>(patch.m_knownStamp.modified));
        PutText(body, std::string_view(reinterpret_cast<const char*>(patch.m_knownBlocks.data()),
                                       patch.m_knownBlocks.size()));
        std::vector<std::int32_t> numbers;
        numbers.reserve(CPatch::kOscCount * COsc::kReferenceCount);
        bool anyNumber = false;
        for (const COsc& osc : patch.m_osc) {
            const std::size_t start = body.size() + sizeof(std::uint64_t);
            PutText(body, std::string_view(reinterpret_cast<const char*>(osc.m_values.data()), osc.m_values.size()));
            for (int r = 0; r < static_cast<int>(COsc::kReferenceCount); ++r) {
                // The digits of a reference that names a wave go apart, so that renumbering leaves
                // the bulk shared; other digits stay in the bulk as they are.
                const bool wave = osc.m_values.size() == COsc::kValueCount && osc.GetSourceSelector(r) == 1;
                numbers.push_back(wave ? osc.GetWaveNumber(r) : 0);
                anyNumber = anyNumber || (wave && osc.GetWaveNumber(r) != 0);
                if (wave) {
                    for (const std::size_t d : Digits(r)) {
                        body[start + d] = static_cast<char>(static_cast<std::uint8_t>(body[start + d]) & kDigitMask);
                    }
                }
            }
        }
        if (anyNumber) {
            image.numbers = std::move(numbers);
        }
    } else {
        image.numbers = static_cast<const CWave&>(record).m_users;
        return image;
    }
    auto candidate = std::make_shared<const std::string>(std::move(body));
    image.body = *m_bodies.insert(std::move(candidate)).first;
    return image;
}

bool CHistory::Record(const std::string& name) {
    return RecordPending(name);
}

bool CHistory::RecordPending(const std::string& name) {
    CDomain& domain = CDomain::Instance();
    if (m_busy || domain.UndoSerial() == m_recordedSerial) {
        return false;
    }
    m_recordedSerial = domain.UndoSerial();
    m_linked = false;
    if (!domain.HasUndo() || domain.IsUndone()) {
        return false;
    }
    CHistoryEntry entry;
    for (std::size_t u = 0; u < CDomain::kUndoSlots; ++u) {
        const CDomain::CUndoSlot& undo = domain.UndoSlot(u);
        if (undo.project == nullptr) {
            continue;
        }
        auto found = std::find_if(entry.projects.begin(), entry.projects.end(),
                                  [&undo](const CProjectChange& c) { return c.project == undo.project; });
        if (found == entry.projects.end()) {
            entry.projects.push_back(CProjectChange{undo.project, {}});
            found = std::prev(entry.projects.end());
        }
        for (const int which : {kPatchList, kWaveList}) {
            const bool saved = which == kPatchList ? undo.patchesSaved : undo.wavesSaved;
            const CParameterArray& before =
                which == kPatchList ? static_cast<const CParameterArray&>(undo.patches) : undo.waves;
            const CParameterArray& after = undo.project->List(which);
            if (!saved || before.size() != after.size()) {
                continue;
            }
            CListChange& list = found->lists[which];
            for (std::size_t i = 0; i < after.size(); ++i) {
                // A slot a first registration of the same project already holds keeps its older picture.
                if (SameRecord(before.Element(i), after.Element(i), which) ||
                    std::find(list.changed.begin(), list.changed.end(), i) != list.changed.end()) {
                    continue;
                }
                list.changed.push_back(static_cast<std::uint16_t>(i));
                list.images.push_back(Picture(before.Element(i), which));
            }
        }
    }
    std::erase_if(entry.projects,
                  [](const CProjectChange& c) { return c.lists[0].changed.empty() && c.lists[1].changed.empty(); });
    if (entry.projects.empty()) {
        return false;
    }
    if (name.empty() && entry.projects.size() == 1) {
        entry.name = NameOfRenameOnly(entry.projects.front());
    }
    if (!name.empty()) {
        entry.name = name;
    } else if (entry.name.empty()) {
        std::string text;
        for (const CProjectChange& change : entry.projects) {
            std::string kinds;
            for (const int which : {kPatchList, kWaveList}) {
                const std::vector<std::uint16_t>& changed = change.lists[which].changed;
                if (changed.empty()) {
                    continue;
                }
                CSelection sorted(changed.begin(), changed.end());
                std::sort(sorted.begin(), sorted.end());
                std::string numbers = FormatSlotNumbers(sorted);
                // A long list of runs says less than the count.
                numbers = numbers.size() > 24 ? std::to_string(sorted.size()) + " " + KindPlural(which)
                                              : KindWord(which, sorted.size()) + (" " + numbers);
                kinds += (kinds.empty() ? "" : ", ") + numbers;
            }
            text += (text.empty() ? "Change " : "; ") + kinds + " in " + ProjectName(change.project);
        }
        entry.name = text;
    }
    m_entries.resize(m_position);
    m_entries.push_back(std::move(entry));
    if (m_entries.size() > kMaxEntries) {
        m_entries.erase(m_entries.begin());
    }
    m_position = m_entries.size();
    m_linked = true;
    for (const CProjectChange& change : m_entries.back().projects) {
        Remember(change.project);
    }
    DropUnusedBodies();
    return true;
}

std::string CHistory::NameOfRenameOnly(const CProjectChange& change) {
    // A change that gave slots of one list one new name and touched nothing else is a rename.
    for (const int which : {kPatchList, kWaveList}) {
        const CListChange& list = change.lists[which];
        if (list.changed.empty() || !change.lists[1 - which].changed.empty()) {
            continue;
        }
        const CParameterArray& now = change.project->List(which);
        const std::string& text = now.Element(list.changed.front()).m_name;
        for (std::size_t k = 0; k < list.changed.size(); ++k) {
            const CParameter& record = now.Element(list.changed[k]);
            const CSlotImage& before = list.images[k];
            if (record.m_name != text || record.m_path != before.path) {
                return {};
            }
            const CSlotImage after = Picture(record, which);
            if (after.body != before.body || after.numbers != before.numbers) {
                return {};
            }
        }
        CSelection slots(list.changed.begin(), list.changed.end());
        std::sort(slots.begin(), slots.end());
        return NameOfRename(which, slots, ProjectName(change.project), text);
    }
    return {};
}

void CHistory::NameNewest(const std::string& name) {
    if (!m_entries.empty()) {
        m_entries.back().name = name;
    }
}

void CHistory::Exchange(CHistoryEntry& entry) {
    for (CProjectChange& change : entry.projects) {
        for (const int which : {kPatchList, kWaveList}) {
            CListChange& list = change.lists[which];
            for (std::size_t k = 0; k < list.changed.size(); ++k) {
                CSlotImage now = Picture(change.project->List(which).Element(list.changed[k]), which);
                ReplaceSlot(*change.project, which, list.changed[k], list.images[k]);
                list.images[k] = std::move(now);
            }
        }
    }
}

std::vector<CTernData*> CHistory::GoBack(std::size_t count) {
    return Move(count, true);
}

std::vector<CTernData*> CHistory::GoForward(std::size_t count) {
    return Move(count, false);
}

std::vector<CTernData*> CHistory::Move(std::size_t count, bool back) {
    RecordPending("");
    Revalidate();
    std::vector<CTernData*> touched;
    if (back ? !CanGoBack(count) : !CanGoForward(count)) {
        return touched;
    }
    m_busy = true;
    for (std::size_t n = 0; n < count; ++n) {
        CHistoryEntry& entry = back ? m_entries[--m_position] : m_entries[m_position++];
        Exchange(entry);
        for (const CProjectChange& change : entry.projects) {
            if (std::find(touched.begin(), touched.end(), change.project) == touched.end()) {
                touched.push_back(change.project);
            }
        }
    }
    // What Undo could toggle is no longer the last change.
    CDomain& domain = CDomain::Instance();
    domain.ClearUndo();
    m_recordedSerial = domain.UndoSerial();
    m_linked = false;
    m_busy = false;
    for (CTernData* project : touched) {
        Remember(project);
    }
    DropUnusedBodies();
    return touched;
}

void CHistory::AfterUndo() {
    if (!m_linked || m_entries.empty() || m_position + 1 < m_entries.size()) {
        return;
    }
    // The domain swapped each project's lists with its undo copies: those now hold the state the
    // entry has to bring back next.
    CDomain& domain = CDomain::Instance();
    CHistoryEntry& entry = m_entries.back();
    for (CProjectChange& change : entry.projects) {
        for (std::size_t u = 0; u < CDomain::kUndoSlots; ++u) {
            const CDomain::CUndoSlot& undo = domain.UndoSlot(u);
            if (undo.project != change.project) {
                continue;
            }
            for (const int which : {kPatchList, kWaveList}) {
                const bool saved = which == kPatchList ? undo.patchesSaved : undo.wavesSaved;
                const CParameterArray& copy =
                    which == kPatchList ? static_cast<const CParameterArray&>(undo.patches) : undo.waves;
                CListChange& list = change.lists[which];
                for (std::size_t k = 0; saved && k < list.changed.size(); ++k) {
                    list.images[k] = Picture(copy.Element(list.changed[k]), which);
                }
            }
            break;
        }
        Remember(change.project);
    }
    m_position = m_position == m_entries.size() ? m_entries.size() - 1 : m_entries.size();
    DropUnusedBodies();
}

void CHistory::Remember(CTernData* project) {
    m_knownPaths[project] = SlotPaths(*project);
    m_names[project] = ProjectName(project);
}

std::size_t CHistory::DropEntriesOf(const CTernData* project) {
    std::vector<bool> drop(m_entries.size(), false);
    // Applied entries are taken back newest first: one that is dropped takes with it every older
    // one that shares a project with it. Entries ahead go forward oldest first, the other way round.
    std::set<const CTernData*> tainted{project};
    for (std::size_t i = m_position; i-- > 0;) {
        if (Involves(m_entries[i], tainted)) {
            drop[i] = true;
            for (const CProjectChange& change : m_entries[i].projects) {
                tainted.insert(change.project);
            }
        }
    }
    tainted = {project};
    for (std::size_t i = m_position; i < m_entries.size(); ++i) {
        if (Involves(m_entries[i], tainted)) {
            drop[i] = true;
            for (const CProjectChange& change : m_entries[i].projects) {
                tainted.insert(change.project);
            }
        }
    }
    const std::size_t dropped = static_cast<std::size_t>(std::count(drop.begin(), drop.end(), true));
    if (dropped == 0) {
        m_knownPaths.erase(project);
        return 0;
    }
    if (drop.back()) {
        m_linked = false;
    }
    std::vector<CHistoryEntry> kept;
    std::size_t position = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (!drop[i]) {
            position += i < m_position ? 1 : 0;
            kept.push_back(std::move(m_entries[i]));
        }
    }
    m_entries = std::move(kept);
    m_position = position;
    // Forget the projects that no entry names any more.
    for (auto it = m_knownPaths.begin(); it != m_knownPaths.end();) {
        const bool named = std::any_of(m_entries.begin(), m_entries.end(),
                                       [&it](const CHistoryEntry& e) { return Involves(e, {it->first}); });
        if (!named) {
            m_names.erase(it->first);
        }
        it = named ? std::next(it) : m_knownPaths.erase(it);
    }
    DropUnusedBodies();
    return dropped;
}

void CHistory::ProjectSaved(const CTernData* project) {
    const std::string name = ProjectName(project);
    if (const std::size_t dropped = DropEntriesOf(project); dropped > 0) {
        Note("Saving " + name + " removed " + std::to_string(dropped) + (dropped == 1 ? " entry" : " entries") +
             " from the history.");
    }
    Revalidate();
}

void CHistory::ProjectGone(const CTernData* project) {
    const auto known = m_knownPaths.find(project);
    if (known == m_knownPaths.end()) {
        return;
    }
    // The container is going: its name comes from what the namer said while it was alive.
    const std::string name = m_names.count(project) > 0 ? m_names[project] : std::string("a project");
    if (const std::size_t dropped = DropEntriesOf(project); dropped > 0) {
        Note("Closing " + name + " removed " + std::to_string(dropped) + (dropped == 1 ? " entry" : " entries") +
             " from the history.");
    }
    m_knownPaths.erase(project);
    m_names.erase(project);
}

void CHistory::Revalidate() {
    std::vector<const CTernData*> changed;
    for (const auto& [project, paths] : m_knownPaths) {
        if (SlotPaths(*project) != paths) {
            changed.push_back(project);
        }
    }
    for (const CTernData* project : changed) {
        const std::string name = ProjectName(project);
        if (const std::size_t dropped = DropEntriesOf(project); dropped > 0) {
            Note("The files of " + name + " were moved by a save or a close: " + std::to_string(dropped) +
                 (dropped == 1 ? " entry was" : " entries were") + " removed from the history.");
        }
        m_knownPaths.erase(project);
    }
}

void CHistory::BeforeClearUndo() {
    if (m_busy) {
        return;
    }
    RecordPending("");
    Revalidate();
}

void CHistory::Note(const std::string& text) {
    m_notice = m_notice.empty() ? text : m_notice + "\n" + text;
}

std::string CHistory::TakeNotice() {
    return std::exchange(m_notice, std::string());
}

void CHistory::SetProjectNamer(std::function<std::string(const CTernData*)> namer) {
    m_namer = std::move(namer);
}

std::string CHistory::ProjectName(const CTernData* project) const {
    std::string name = m_namer ? m_namer(project) : std::string();
    return name.empty() ? DefaultProjectName(project) : name;
}

std::size_t CHistory::MemoryBytes() const {
    std::size_t bytes = m_entries.capacity() * sizeof(CHistoryEntry);
    for (const CHistoryEntry& entry : m_entries) {
        bytes += entry.name.capacity() + entry.projects.capacity() * sizeof(CProjectChange);
        for (const CProjectChange& change : entry.projects) {
            for (const CListChange& list : change.lists) {
                bytes += list.changed.capacity() * sizeof(std::uint16_t) + list.images.capacity() * sizeof(CSlotImage);
                for (const CSlotImage& image : list.images) {
                    bytes += image.numbers.capacity() * sizeof(std::int32_t);
                    // Texts longer than fit inside the string itself.
                    for (const std::string* text : {&image.path, &image.name}) {
                        bytes += text->capacity() > 15 ? text->capacity() + 1 : 0;
                    }
                }
            }
        }
    }
    // Each shared bulk once, with its control block and the set's node.
    for (const auto& body : m_bodies) {
        bytes += sizeof(std::string) + body->capacity() + 4 * sizeof(void*);
    }
    return bytes;
}

void CHistory::DropUnusedBodies() {
    std::erase_if(m_bodies, [](const std::shared_ptr<const std::string>& body) { return body.use_count() == 1; });
}

void CHistory::Clear() {
    m_entries.clear();
    m_position = 0;
    m_linked = false;
    m_knownPaths.clear();
    m_names.clear();
    m_notice.clear();
    m_bodies.clear();
    m_recordedSerial = CDomain::Instance().UndoSerial();
}

} // namespace Orvanta
