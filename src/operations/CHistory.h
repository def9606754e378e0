#pragma once

#include "model/CDomain.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace Orvanta {

class CParameter;
class CTernData;

// What one slot held, compact and immutable. The bulk of a patch (oscillator values with the wave
// number digits cleared, what the patch knows of its file) is shared between every picture with the
// same bulk; its file, name and wave numbers, and a wave's file, name and users, are kept apart,
// since moving, renaming and renumbering change only those.
struct CSlotImage {
    std::shared_ptr<const std::string> body; // patches only
    std::string path;
    std::string name;
    std::vector<std::int32_t> numbers; // a patch's 32 wave numbers, or a wave's users
};

// One list of one project as a change left it: the slots it changed, each with the picture of the
// other state (before the change while it is applied, after it while it is taken back).
struct CListChange {
    std::vector<std::uint16_t> changed;
    std::vector<CSlotImage> images;
};

struct CProjectChange {
    CTernData* project = nullptr; // not owned; entries of a project that goes away are dropped
    CListChange lists[2];         // patches, waves
};

struct CHistoryEntry {
    std::string name;
    std::vector<CProjectChange> projects;
};

// The history of changes: every change to the open projects since each was opened or saved, newest
// last, so that the projects can be taken back to the state before any of them and forward again.
// A change is what one operation registered for undo (ClearUndo, then SaveUndo for each project it
// changes); the history learns of it by comparing the undo copies with the projects once the change
// is done, and keeps only the slots that differ. Going back or forward clears the undo state, and
// the Undo command moves through the history by one change when the last change is the one it toggles.
class CHistory : public CChangeObserver {
public:
    // Entries kept at most; the oldest goes first.
    static constexpr std::size_t kMaxEntries = 100;

    CHistory();
    ~CHistory() override;
    CHistory(const CHistory&) = delete;
    CHistory& operator=(const CHistory&) = delete;

    // The one history of the process, observing the domain from its first use on.
    static CHistory& Instance();

    // Records the change made since the last call, if any, under `name`; without a name, under one
    // that says which slots of which projects changed ("Change patches 3-5, waves 8 in Song.prj").
    // Front ends call it after every command; a command that changed nothing records nothing.
    // True when an entry was added.
    bool Record(const std::string& name);

    // Gives the newest entry another name (a front end that learns what the change was only after it).
    void NameNewest(const std::string& name);

    // Number of entries and how many of them are applied (the rest lie ahead, taken back).
    [[nodiscard]] std::size_t Size() const { return m_entries.size(); }
    [[nodiscard]] std::size_t Position() const { return m_position; }
    // Entry i, 0 the oldest.
    [[nodiscard]] const CHistoryEntry& Entry(std::size_t i) const { return m_entries[i]; }
    [[nodiscard]] bool CanGoBack(std::size_t count) const { return count >= 1 && count <= m_position; }
    [[nodiscard]] bool CanGoForward(std::size_t count) const {
        return count >= 1 && count <= m_entries.size() - m_position;
    }

    // Takes back the last `count` applied changes, newest first, or takes the next `count` forward
    // again, and clears the undo state. Returns the projects that changed (empty when the history
    // cannot go that far; nothing changes then).
    std::vector<CTernData*> GoBack(std::size_t count);
    std::vector<CTernData*> GoForward(std::size_t count);

    // Told by the Undo command after the domain's Undo: moves the position with the toggle when the
    // change toggled is the history's newest one.
    void AfterUndo();

    // A project was saved: its entries go, and so do those that cannot be taken back or forward
    // without them (they touch a project that a dropped entry touches, further from the present).
    void ProjectSaved(const CTernData* project);

    // Checks that the projects of the entries were changed by nothing but recorded changes since the
    // history last saw them (a save or a close points the records of other projects at other files);
    // the entries of a project changed otherwise are dropped as ProjectSaved drops them.
    void Revalidate();

    // The last note on entries dropped by a save, a close or a change outside the history, handed
    // over once; empty when none.
    std::string TakeNotice();

    // The display name of a project in entry names and notices; by default the project folder's
    // name, or "Untitled".
    void SetProjectNamer(std::function<std::string(const CTernData*)> namer);
    [[nodiscard]] std::string ProjectName(const CTernData* project) const;

    // Memory the entries hold: their slot pictures, with every shared bulk counted once.
    [[nodiscard]] std::size_t MemoryBytes() const;

    // Drops every entry (tests start afresh).
    void Clear();

    // CChangeObserver
    void BeforeClearUndo() override;
    void ProjectGone(const CTernData* project) override;

private:
    struct BodyHash {
        std::size_t operator()(const std::shared_ptr<const std::string>& body) const;
    };
    struct BodyEqual {
        bool operator()(const std::shared_ptr<const std::string>& a, const std::shared_ptr<const std::string>& b) const;
    };

    bool RecordPending(const std::string& name);
    CSlotImage Picture(const CParameter& record, int which);
    // "Rename patches 5 in Song.prj to \"Pad\"" for a change that only renamed; empty otherwise.
    [[nodiscard]] std::string NameOfRenameOnly(const CProjectChange& change);
    void Exchange(CHistoryEntry& entry);
    std::vector<CTernData*> Move(std::size_t count, bool back);
    void Remember(CTernData* project);
    // Drops the entries of `project` and those further from the present that share a project with a
    // dropped one; returns how many went.
    std::size_t DropEntriesOf(const CTernData* project);
    void DropUnusedBodies();
    void Note(const std::string& text);

    std::vector<CHistoryEntry> m_entries;
    std::size_t m_position = 0;
    std::uint64_t m_recordedSerial = 0;
    // The newest entry is what the domain's undo state toggles.
    bool m_linked = false;
    bool m_busy = false;
    std::unordered_set<std::shared_ptr<const std::string>, BodyHash, BodyEqual> m_bodies;
    // The slot paths of each project of the entries, as the history last left them.
    std::map<const CTernData*, std::vector<std::string>> m_knownPaths;
    // The display name of each of those projects when the history last saw it.
    std::map<const CTernData*, std::string> m_names;
    std::function<std::string(const CTernData*)> m_namer;
    std::string m_notice;
};

} // namespace Orvanta
