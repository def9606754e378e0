// Audition: Play through the menu bar and the context menu, the status bar's texts, and real
// playback when the test script provides an audio output.

#include "ShellTestFixture.h"
#include "cli/DemoAudio.h"
#include "shell/CAudioPlayer.h"
#include "shell/CMainFrame.h"
#include "shell/CommandIds.h"
#include "views/CFileView.h"
#include "views/CWaveListCtrl.h"

#include <QAction>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QMenu>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include <cmath>
#include <fstream>
#include <vector>

namespace Orvanta::ShellTesting {
namespace {

class AuditionTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(Start());
        m_frame = m_app->MainFrame();
    }

    // A project whose wave 1 is a WAV of `seconds` of a 440 Hz tone, used by patch 1, opened with
    // that wave selected in the focused wave list.
    CFileView& OpenWithTone(double seconds) {
        const QString project = MakeProject("Tones.prj");
        std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds * Cli::kDemoSampleRate));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int16_t>(
                8000.0 * std::sin(2.0 * 3.14159265 * 440.0 * static_cast<double>(i) / Cli::kDemoSampleRate));
        }
        const std::vector<std::uint8_t> bytes = Cli::EncodeWav(samples);
        std::ofstream((project + QStringLiteral("/Wave/001 Pad.wav")).toStdString(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        EXPECT_NE(m_app->OpenProject(project), nullptr);
        CFileView& view = *m_frame->ActiveView();
        view.WaveList().setFocus();
        view.WaveList().SelectRows({0});
        view.WaveList().SetFocusedRow(0);
        return view;
    }

    [[nodiscard]] QAction* Action(int command) const { return m_frame->Action(command); }

    CMainFrame* m_frame = nullptr;
};

TEST_F(AuditionTest, WithoutAnAudioOutputPlaySaysSoInTheStatusBarAndNothingElseHappens) {
    CAudioPlayer& player = m_app->Player();
    player.SetOutputDevice(QAudioDevice(), false); // as on a machine without sound
    QSignalSpy playing(&player, &CAudioPlayer::PlayingChanged);
    CFileView& view = OpenWithTone(0.5);
    m_frame->UpdateCommandUI();
    ASSERT_TRUE(Action(kCmdEditPlay)->isEnabled());

    // Space reaches the command where the focus is in the wave list of the active window.
    m_frame->show();
    QApplication::setActiveWindow(m_frame);
    view.WaveList().setFocus();
    ASSERT_TRUE(view.WaveList().hasFocus());
    QTest::keyClick(&view.WaveList(), Qt::Key_Space);
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), QStringLiteral("No audio output: cannot play."));
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(playing.count(), 0);
    EXPECT_EQ(player.BytesPulled(), 0);
    EXPECT_FALSE(Action(kCmdEditStop)->isEnabled()); // Esc stays with the lists and dialogs
}

// Outputs that come and go: the chosen one stays while it is there, else the default is taken,
// else any output; without outputs there is none.
TEST(AuditionOutputs, TheFollowedOutputAfterAChange) {
    struct Row {
        QList<QByteArray> outputs;
        QByteArray systemDefault;
        QByteArray chosen;
        bool useSystemDefault;
        QByteArray expected;
    };
    const QByteArray a("a");
    const QByteArray b("b");
    const std::vector<Row> rows{
        {{a, b}, b, {}, true, b}, // the default, whatever was chosen
        {{a, b}, b, a, true, b},  //
        {{a, b}, b, a, false, a}, // the chosen output while it is there
        {{b}, b, a, false, b},    // the chosen output unplugged: the default
        {{a}, a, {}, false, a},   // no output at the start, one appeared
        {{a}, {}, {}, true, a},   // an output without a default
        {{}, {}, a, false, {}},   // every output gone
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(CAudioPlayer::FollowedOutput(row.outputs, row.systemDefault, row.chosen, row.useSystemDefault),
                  row.expected)
            << "row " << i;
    }
}

// The context menu holds the menu bar's own actions, enabled as the menu bar enables them for the
// clicked row.
TEST_F(AuditionTest, WaveListContextMenuUsesTheMenuBarCommandsForTheClickedRow) {
    CFileView& view = OpenWithTone(0.1);
    CWaveListCtrl& list = view.WaveList();
    const auto menuFor = [&list](int row) {
        const QPoint point = list.visualRect(list.model()->index(row, 1)).center();
        QTest::mouseClick(list.viewport(), Qt::RightButton, Qt::NoModifier, point);
        return list.MakeContextMenu();
    };
    const auto enabled = [](const QMenu& menu, QAction* action) {
        return menu.actions().contains(action) ? (action->isEnabled() ? 1 : 0) : -1;
    };

    const std::unique_ptr<QMenu> used = menuFor(0);
    EXPECT_EQ(enabled(*used, Action(kCmdEditPlay)), 1);
    EXPECT_EQ(enabled(*used, Action(kCmdEditDelete)), 1);
    EXPECT_EQ(enabled(*used, Action(kCmdImportWave)), 1);
    const std::unique_ptr<QMenu> empty = menuFor(4);
    EXPECT_EQ(list.SelectedRows(), QList<int>({4}));
    EXPECT_EQ(enabled(*empty, Action(kCmdEditPlay)), 0);
    EXPECT_EQ(enabled(*empty, Action(kCmdEditDelete)), 0);
    EXPECT_EQ(enabled(*empty, Action(kCmdImportWave)), 1);
}

// Real playback: run by the test script under a sound server with a null sink
// (ORVANTA_AUDIO_SINK=1); skipped elsewhere.
TEST_F(AuditionTest, FramesReachTheAudioOutputAndPlaybackEndsByItself) {
    if (qEnvironmentVariableIntValue("ORVANTA_AUDIO_SINK") != 1) {
        GTEST_SKIP() << "no sound server started for this run";
    }
    ASSERT_FALSE(QMediaDevices::defaultAudioOutput().isNull()) << "the sound server offers no output";
    CAudioPlayer& player = m_app->Player();
    QSignalSpy playing(&player, &CAudioPlayer::PlayingChanged);
    OpenWithTone(0.3);

    Action(kCmdEditPlay)->trigger();
    ASSERT_TRUE(player.IsPlaying()) << m_frame->statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(m_frame->statusBar()->currentMessage().startsWith(QStringLiteral("Playing 001 Pad")));
    EXPECT_TRUE(Action(kCmdEditStop)->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&player] { return !player.IsPlaying(); }, 10000));
    EXPECT_EQ(playing.count(), 2);
    const qint64 fileBytes = static_cast<qint64>(0.3 * Cli::kDemoSampleRate) * 2;
    EXPECT_EQ(player.BytesPulled(), fileBytes);
    EXPECT_GT(player.ProcessedMicroseconds(), 0);

    // Space again stops; Esc stops.
    Action(kCmdEditPlay)->trigger();
    ASSERT_TRUE(player.IsPlaying());
    Action(kCmdEditPlay)->trigger();
    EXPECT_FALSE(player.IsPlaying());
    Action(kCmdEditPlay)->trigger();
    ASSERT_TRUE(player.IsPlaying());
    Action(kCmdEditStop)->trigger();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), QStringLiteral("Ready"));
}

// A start without an output, then the sound server's output reported: the player names it and
// plays on it without a restart. Run by the test script under a sound server; skipped elsewhere.
TEST_F(AuditionTest, AnOutputThatAppearsAfterTheStartIsTaken) {
    if (qEnvironmentVariableIntValue("ORVANTA_AUDIO_SINK") != 1) {
        GTEST_SKIP() << "no sound server started for this run";
    }
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    ASSERT_FALSE(output.isNull()) << "the sound server offers no output";
    CAudioPlayer& player = m_app->Player();
    player.SetOutputDevice(QAudioDevice(), false); // as at a start without sound
    OpenWithTone(0.3);
    Action(kCmdEditPlay)->trigger();
    ASSERT_FALSE(player.IsPlaying());
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), QString::fromLatin1(CAudioPlayer::kNoOutputText));

    player.OnAudioOutputsChanged(QMediaDevices::audioOutputs(), output);
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), QStringLiteral("Audio output: ") + output.description());
    Action(kCmdEditPlay)->trigger();
    EXPECT_TRUE(player.IsPlaying()) << m_frame->statusBar()->currentMessage().toStdString();
    player.Stop();
}

} // namespace
} // namespace Orvanta::ShellTesting
