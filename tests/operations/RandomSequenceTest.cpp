// Seeded random sequences of drags (copy, move, insert, overwrite, within and between projects),
// deletions, renamings, undos, Copy, Cut and Paste, and steps back and forward through the history
// among three projects. After every step each project must be consistent and the transfer buffer
// empty; a step that changed something must be undone by one Undo and redone by a second; a step
// that changed nothing must leave every project as it was; the projects must be exactly as they
// were after the history's current entry, and going back N then forward N must return them there.
// A failure prints the seed and the steps so far. ORVANTA_RANDOM_SEED=n replays one sequence;
// ORVANTA_RANDOM_SEQUENCES=n changes how many run.

#include "OperationsFixture.h"

#include "operations/CClipboard.h"
#include "operations/CHistory.h"
#include "operations/DropOperations.h"
#include "operations/EditCommands.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>

namespace Orvanta::TestSupport {
namespace {

// Hundreds of sequences in an optimized build (each step also captures the states the history must
// return to); fewer where the build is unoptimized (the debug and
// sanitizer builds), to keep the test within a few seconds there.
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
constexpr std::uint32_t kDefaultSequences = 400;
#else
constexpr std::uint32_t kDefaultSequences = 60;
#endif
constexpr int kStepsPerSequence = 8;
constexpr std::size_t kProjects = 3;
// Most used slots lie below this index, so that random selections and drops meet them.
constexpr std::size_t kDenseSlots = 28;
constexpr const char* kNames[kProjects] = {"A", "B", "C"};

std::uint32_t FromEnvironment(const char* name, std::uint32_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10)) : fallback;
}

class RandomSequenceTest : public OperationsTest {
protected:
    // A value in [low, high], the same on every platform for a given seed.
    std::size_t Uniform(std::size_t low, std::size_t high) { return low + m_random() % (high - low + 1); }
    bool Chance(unsigned percent) { return m_random() % 100 < percent; }

    void Populate(CTernData& project, const std::string& name) {
        std::vector<int> used;
        const auto useWave = [&](std::size_t slot) {
            const bool large = Chance(30);
            UseWave(project, name, slot,
                    static_cast<std::int64_t>(large ? Uniform(4'000'000, 30'000'000) : Uniform(0, 400'000)));
            used.push_back(static_cast<int>(slot) + 1);
        };
        for (std::size_t n = Uniform(0, 20); n > 0; --n) {
            useWave(Uniform(0, kDenseSlots - 1));
        }
        if (Chance(20)) {
            useWave(Uniform(990, kWaveSlots - 1));
        }
        if (Chance(15)) { // nearly full wave list: drops with accompanying waves run out of slots
            const std::size_t leftEmpty = Uniform(0, 1);
            std::size_t empty = project.CountEmpty(kWaveList);
            for (std::size_t w = 0; w < kWaveSlots && empty > leftEmpty; ++w) {
                if (project.m_waves[w].IsEmpty()) {
                    project.m_waves[w].m_path = "/" + name + ".prj/Wave/f" + std::to_string(w);
                    --empty;
                }
            }
        }
        const auto usePatch = [&](std::size_t slot) {
            CPatch& patch = UsePatch(project, name, slot);
            patch.m_osc[0].m_values[0] = static_cast<std::uint8_t>(m_random()); // tells patches apart
            for (std::size_t b = 0; b < CPatch::kOscCount; ++b) {
                for (int r = 0; r < 2; ++r) {
                    if (!Chance(30)) {
                        continue;
                    }
                    const unsigned kind = static_cast<unsigned>(Uniform(0, 99));
                    int number = 0;
                    if (kind < 70 && !used.empty()) {
                        number = used[Uniform(0, used.size() - 1)];
                    } else if (kind < 80) {
                        number = static_cast<int>(Uniform(1, 40)); // possibly a slot without a wave file
                    } else if (kind < 83) {
                        number = static_cast<int>(Uniform(1000, 4095)); // damaged
                    }
                    SetWaveReference(patch, b, r, number);
                    if (kind >= 95) {
                        patch.m_osc[b].m_values[kSelectorValue[r]] = 2; // digits present, not a wave
                    }
                }
            }
        };
        for (std::size_t n = Uniform(4, 40); n > 0; --n) {
            usePatch(Uniform(0, kDenseSlots - 1));
        }
        if (Chance(20)) {
            usePatch(Uniform(505, kPatchSlots - 1));
        }
        RebuildUsers(project);
    }

    // A slot to start a selection at: mostly a used one, so that drags and deletions find items.
    std::size_t RandomRow(const CTernData& project, int which) {
        const std::size_t capacity = CTernData::Capacity(which);
        if (Chance(60)) {
            const CParameterArray& list = project.List(which);
            std::vector<std::size_t> used;
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (!list.Element(i).IsEmpty()) {
                    used.push_back(i);
                }
            }
            if (!used.empty()) {
                return used[Uniform(0, used.size() - 1)];
            }
        }
        return Chance(90) ? Uniform(0, kDenseSlots - 1) : Uniform(capacity - 8, capacity - 1);
    }

    CSelection RandomSelection(const CTernData& project, int which) {
        const std::size_t capacity = CTernData::Capacity(which);
        CSelection rows;
        if (Chance(60)) {
            const std::size_t first = RandomRow(project, which);
            const std::size_t last = std::min(capacity - 1, first + Uniform(0, 4));
            for (std::size_t i = first; i <= last; ++i) {
                rows.push_back(i);
            }
        } else {
            for (std::size_t n = Uniform(1, 4); n > 0; --n) {
                rows.push_back(RandomRow(project, which));
            }
            rows = NormaliseSelection(rows, which);
        }
        return rows;
    }

    int RandomDropIndex(int which) {
        const std::size_t capacity = CTernData::Capacity(which);
        if (Chance(3)) {
            return -1;
        }
        return static_cast<int>(Chance(85) ? Uniform(0, kDenseSlots + 4) : Uniform(capacity - 8, capacity - 1));
    }

    static std::string Describe(const CSelection& rows) {
        std::ostringstream text;
        text << "{";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            text << (i > 0 ? "," : "") << rows[i];
        }
        text << "}";
        return text.str();
    }

    // One planned step: the operation, its arguments and the projects it may change.
    struct Step {
        enum Kind { Drag, Delete, Rename, Undo, Copy, Paste, Back, Forward } kind = Undo;
        CDragRequest drag;
        bool cut = false;      // Copy: a Cut
        bool insert = false;   // Paste: Paste Insert
        int start = 0;         // Paste: the slot
        std::size_t count = 0; // Back, Forward: how many changes
        std::size_t project = 0;
        int which = kPatchList;
        CSelection rows;
        std::vector<std::size_t> involved;
    };

    Step PlanStep() {
        Step step;
        const unsigned roll = static_cast<unsigned>(Uniform(0, 99));
        if (roll >= 72) {
            step.kind = roll < 80 ? Step::Copy : roll < 92 ? Step::Paste : roll < 96 ? Step::Back : Step::Forward;
            step.project = Uniform(0, kProjects - 1);
            step.which = Chance(50) ? kPatchList : kWaveList;
            step.involved = {0, 1, 2};
            if (step.kind == Step::Copy) {
                step.cut = Chance(50);
                step.rows = RandomSelection(*m_projects[step.project], step.which);
                step.involved = {step.project};
            } else if (step.kind == Step::Paste) {
                const int copied = CClipboard::Instance().Kind();
                step.which = copied >= 0 && Chance(90) ? copied : step.which;
                step.start = RandomDropIndex(step.which);
                step.insert = Chance(50);
            } else {
                step.count = Uniform(1, 3);
            }
            return step;
        }
        if (roll < 45) {
            step.kind = Step::Drag;
            const std::size_t source = Uniform(0, kProjects - 1);
            const std::size_t target = Chance(50) ? source : Uniform(0, kProjects - 1);
            step.drag.source = m_projects[source].get();
            step.drag.target = m_projects[target].get();
            step.drag.which = Chance(50) ? kPatchList : kWaveList;
            step.drag.selection = RandomSelection(*step.drag.source, step.drag.which);
            step.drag.dropIndex = RandomDropIndex(step.drag.which);
            step.drag.insert = Chance(50);
            step.drag.copy = Chance(50);
            step.project = source;
            step.involved =
                source == target ? std::vector<std::size_t>{source} : std::vector<std::size_t>{source, target};
            return step;
        }
        step.kind = roll < 57 ? Step::Delete : roll < 64 ? Step::Rename : Step::Undo;
        step.project = Uniform(0, kProjects - 1);
        step.which = Chance(50) ? kPatchList : kWaveList;
        step.rows = RandomSelection(*m_projects[step.project], step.which);
        step.involved = {step.project};
        if (step.kind == Step::Undo) {
            step.involved = {0, 1, 2};
        }
        return step;
    }

    std::string Target(const CTernData* project) const {
        for (std::size_t i = 0; i < kProjects; ++i) {
            if (m_projects[i].get() == project) {
                return kNames[i];
            }
        }
        return "?";
    }

    // Runs the step; returns whether it reports having changed something, and describes it.
    bool RunStep(const Step& step, std::string& description) {
        std::ostringstream text;
        const char* kind =
            (step.kind == Step::Drag ? step.drag.which : step.which) == kPatchList ? "patches " : "waves ";
        CTernData& project = *m_projects[step.project];
        bool changed = false;
        switch (step.kind) {
        case Step::Drag: {
            const CDropResult result = DragAndDrop(step.drag);
            text << "drag " << kind << kNames[step.project] << Describe(step.drag.selection) << " -> "
                 << Target(step.drag.target) << "@" << step.drag.dropIndex
                 << (step.drag.insert ? " insert" : " overwrite") << (step.drag.copy ? " copy" : " move") << ": status "
                 << static_cast<int>(result.status) << ", deleted " << Describe(result.deletedAfterMove);
            changed = result.status == DropStatus::Done;
            break;
        }
        case Step::Delete:
            changed = DeleteSelection(project, step.rows, step.which);
            text << "delete " << kind << kNames[step.project] << Describe(step.rows) << (changed ? "" : ": not done");
            break;
        case Step::Rename:
            changed = RenameElements(project, step.which, step.rows, "N:" + std::to_string(m_random() % 1000)) > 0;
            text << "rename " << kind << kNames[step.project] << Describe(step.rows);
            break;
        case Step::Undo:
            text << (CDomain::Instance().HasUndo() ? "undo" : "undo (nothing to undo)");
            UndoLastChange();
            break;
        case Step::Copy:
            text << (step.cut ? "cut " : "copy ") << kind << kNames[step.project] << Describe(step.rows)
                 << (CClipboard::Instance().Copy(project, step.rows, step.which, step.cut) ? "" : ": nothing to copy");
            break;
        case Step::Paste: {
            const CPasteResult result = CClipboard::Instance().Paste(project, step.which, step.start, step.insert);
            text << "paste " << kind << kNames[step.project] << "@" << step.start
                 << (step.insert ? " insert" : " overwrite") << ": status " << static_cast<int>(result.status)
                 << (result.otherWindow ? " as from another window" : "") << ", deleted " << Describe(result.deleted);
            changed = result.status == DropStatus::Done;
            break;
        }
        case Step::Back:
        case Step::Forward: {
            CHistory& history = CHistory::Instance();
            changed = !(step.kind == Step::Back ? history.GoBack(step.count) : history.GoForward(step.count)).empty();
            text << (step.kind == Step::Back ? "back " : "forward ") << step.count << (changed ? "" : ": not possible");
            break;
        }
        }
        description = text.str();
        return changed;
    }

    std::string Inconsistency(const std::vector<std::size_t>& projects) const {
        for (const std::size_t i : projects) {
            const auto problems = ConsistencyChecker::Problems(*m_projects[i]);
            if (!problems.empty()) {
                return std::string("project ") + kNames[i] + " inconsistent: " + problems.front();
            }
        }
        return "";
    }

    // Captures the projects into `states`, reusing its buffers.
    void Capture(const std::vector<std::size_t>& projects, std::vector<ProjectState>& states) const {
        states.resize(projects.size());
        for (std::size_t k = 0; k < projects.size(); ++k) {
            CaptureState(*m_projects[projects[k]], states[k]);
        }
    }

    bool Matches(const std::vector<std::size_t>& projects, const std::vector<ProjectState>& states) const {
        for (std::size_t k = 0; k < projects.size(); ++k) {
            if (!IsInState(*m_projects[projects[k]], states[k])) {
                return false;
            }
        }
        return true;
    }

    // Empty when the step passed its checks; otherwise what went wrong.
    std::string CheckStep(const Step& step, bool changed) {
        const std::vector<ProjectState>& before = m_before;
        if (std::string problem = Inconsistency(step.involved); !problem.empty()) {
            return problem;
        }
        if (!CDomain::Instance().m_transferPatches.empty() || !CDomain::Instance().m_transferWaves.empty()) {
            return "transfer buffer not empty after the step";
        }
        if (step.kind == Step::Undo || step.kind == Step::Back || step.kind == Step::Forward) {
            return "";
        }
        if (!changed) {
            return Matches(step.involved, before) ? "" : "a step that reported no change changed a project";
        }
        Capture(step.involved, m_after);
        UndoLastChange();
        if (!Matches(step.involved, before)) {
            return "Undo did not restore the state before the step";
        }
        if (std::string problem = Inconsistency(step.involved); !problem.empty()) {
            return "after Undo, " + problem;
        }
        UndoLastChange();
        if (!Matches(step.involved, m_after)) {
            return "a second Undo did not restore the state after the step";
        }
        return "";
    }

    // The history's invariant: the projects are as they were after its current entry (or at the
    // start, before the first), and back N then forward N leaves them so.
    // The newest entry's states: those of the entry before, with the projects it changed captured.
    void AddToTimeline(const CHistory& history) {
        const std::size_t position = history.Position();
        m_timeline.resize(position);
        m_timeline.push_back(m_timeline[position - 1]);
        for (const CProjectChange& change : history.Entry(history.Size() - 1).projects) {
            for (std::size_t k = 0; k < kProjects; ++k) {
                if (m_projects[k].get() == change.project) {
                    m_timeline[position][k] = std::make_shared<const ProjectState>(CaptureState(*m_projects[k]));
                }
            }
        }
    }

    bool AtTimeline(std::size_t position) const {
        for (std::size_t k = 0; k < kProjects; ++k) {
            if (!IsInState(*m_projects[k], *m_timeline[position][k])) {
                return false;
            }
        }
        return true;
    }

    // The comparison runs where the position moved without a new entry (Undo, back, forward): a new
    // entry's state was just captured, and a step that changed nothing is checked by CheckStep.
    std::string CheckHistory(bool positionMoved) {
        CHistory& history = CHistory::Instance();
        const std::vector<std::size_t> all{0, 1, 2};
        if (history.Position() >= m_timeline.size() || (positionMoved && !AtTimeline(history.Position()))) {
            return "the projects are not as they were after the history's current entry";
        }
        if (history.Position() == 0 || !Chance(25)) {
            return "";
        }
        const std::size_t back = Uniform(1, history.Position());
        const std::size_t position = history.Position();
        if (history.GoBack(back).empty()) {
            return "going back " + std::to_string(back) + " was refused";
        }
        if (std::string problem = Inconsistency(all); !problem.empty()) {
            return "after going back " + std::to_string(back) + ", " + problem;
        }
        if (!AtTimeline(position - back)) {
            return "going back " + std::to_string(back) + " did not restore the state before those changes";
        }
        if (history.GoForward(back).empty() || !AtTimeline(position)) {
            return "going back " + std::to_string(back) + " and forward again did not restore the state";
        }
        ++m_roundTrips;
        return "";
    }

    // Runs one seeded sequence; returns an empty text or the failure report.
    std::string RunSequence(std::uint32_t seed) {
        m_random.seed(seed);
        CDomain::Instance().ClearUndo();
        CHistory::Instance().Clear();
        CClipboard::Instance().Clear();
        for (std::size_t i = 0; i < kProjects; ++i) {
            if (!m_projects[i] || m_projects[i]->m_patches.size() != kPatchSlots ||
                m_projects[i]->m_waves.size() != kWaveSlots) {
                m_projects[i] = std::make_unique<CTernData>();
            } else {
                ResetProject(*m_projects[i]);
            }
            Populate(*m_projects[i], kNames[i]);
        }
        m_reporter->SetAnswerer([this](int, int) { return Chance(80) ? kAnswerOk : kAnswerCancel; });
        m_timeline.assign(1, {});
        for (std::size_t k = 0; k < kProjects; ++k) {
            m_timeline[0][k] = std::make_shared<const ProjectState>(CaptureState(*m_projects[k]));
        }
        m_lastPosition = 0;
        std::vector<std::string> steps;
        for (int number = 1; number <= kStepsPerSequence; ++number) {
            const Step step = PlanStep();
            Capture(step.kind == Step::Undo ? std::vector<std::size_t>{} : step.involved, m_before);
            std::string description;
            const bool changed = RunStep(step, description);
            steps.push_back(description);
            ++(changed ? m_changedSteps : m_unchangedSteps);
            // As a front end does after every command; the entry's state joins the timeline.
            CHistory& history = CHistory::Instance();
            const bool positionMoved = history.Position() != m_lastPosition;
            if (history.Record(description)) {
                AddToTimeline(history);
                ++m_entries;
            }
            std::string failure = CheckStep(step, changed);
            if (failure.empty()) {
                failure = CheckHistory(positionMoved);
            }
            m_lastPosition = history.Position();
            if (!failure.empty()) {
                std::ostringstream report;
                report << "seed " << seed << ", step " << number << ": " << failure << "\nsequence:";
                for (const std::string& line : steps) {
                    report << "\n  " << line;
                }
                return report.str();
            }
        }
        return "";
    }

    std::mt19937 m_random;
    std::vector<ProjectState> m_before, m_after;
    std::uint32_t m_changedSteps = 0;
    std::uint32_t m_unchangedSteps = 0;
    std::uint32_t m_entries = 0;
    std::uint32_t m_roundTrips = 0;
    std::size_t m_lastPosition = 0;
    // The projects' states after each entry of the history, index 0 before the first; a project the
    // entry left alone shares the state of the entry before.
    std::vector<std::array<std::shared_ptr<const ProjectState>, kProjects>> m_timeline;
    std::array<std::unique_ptr<CTernData>, kProjects> m_projects;
};

// The sequences rely on the state comparison; it must see every kind of change an operation makes.
TEST_F(RandomSequenceTest, StateComparisonSeesEveryKindOfChange) {
    CTernData project;
    UseWave(project, "A", 3);
    SetWaveReference(UsePatch(project, "A", 7), 2, 1, 4);
    RebuildUsers(project);
    const ProjectState state = CaptureState(project);
    ASSERT_TRUE(IsInState(project, state));

    project.m_patches[7].m_osc[15].m_values[120] ^= 1;
    EXPECT_FALSE(IsInState(project, state));
    project.m_patches[7].m_osc[15].m_values[120] ^= 1;
    project.m_waves[3].AddUser(9, true);
    EXPECT_FALSE(IsInState(project, state));
    project.m_waves[3].RemoveUser(9);
    project.m_waves[998].m_name = "x";
    EXPECT_FALSE(IsInState(project, state));
    project.m_waves[998].m_name.clear();
    project.m_patches[0].m_path = "/p";
    EXPECT_FALSE(IsInState(project, state));
    project.m_patches[0].m_path.clear();
    EXPECT_TRUE(IsInState(project, state));
}

TEST_F(RandomSequenceTest, EveryStepKeepsProjectsConsistentAndUndoesExactly) {
    const std::uint32_t single = FromEnvironment("ORVANTA_RANDOM_SEED", 0);
    const std::uint32_t first = single != 0 ? single : 1;
    const std::uint32_t count = single != 0 ? 1 : FromEnvironment("ORVANTA_RANDOM_SEQUENCES", kDefaultSequences);
    for (std::uint32_t seed = first; seed < first + count; ++seed) {
        const std::string failure = RunSequence(seed);
        ASSERT_TRUE(failure.empty()) << failure;
    }
    if (single != 0) {
        return;
    }
    // The sequences must reach both changing steps and every kind of refusal, or they check little.
    const std::vector<int>& errors = m_reporter->Errors();
    const auto errorCount = [&errors](int code) { return std::count(errors.begin(), errors.end(), code); };
    std::cout << "changed steps " << m_changedSteps << ", unchanged steps " << m_unchangedSteps << ", code 6 "
              << errorCount(kErrorWaveSpace) << ", code 8 " << errorCount(kErrorWaveSize) << ", questions "
              << m_reporter->Questions().size() << ", history entries " << m_entries << ", back and forth "
              << m_roundTrips << "\n";
    EXPECT_GT(m_changedSteps, count * kStepsPerSequence / 4);
    EXPECT_GT(m_unchangedSteps, count * kStepsPerSequence / 10);
    EXPECT_GT(errorCount(kErrorWaveSpace), 0);
    EXPECT_GT(errorCount(kErrorWaveSize), 0);
    EXPECT_GT(m_entries, count);
    EXPECT_GT(m_roundTrips, count / 4);
}

} // namespace
} // namespace Orvanta::TestSupport
