#include "TempFolder.h"
#include "ViewsFixture.h"

#include "cli/DemoAudio.h"
#include "views/CWaveformCache.h"
#include "views/WaveformPicture.h"

#include <QDateTime>
#include <QFile>

#include <fstream>
#include <vector>

namespace Orvanta {
namespace {

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A mono 16-bit WAV of `frames` frames, every sample `value`.
void WriteWav(const std::string& path, std::size_t frames, std::int16_t value) {
    WriteBytes(path, Cli::EncodeWav(std::vector<std::int16_t>(frames, value)));
}

struct SpanCase {
    const char* what;
    std::vector<WaveformColumn> waveform;
    int width;
    int height;
    std::vector<PixelSpan> expected;
};

TEST(WaveformPictureTest, MinAndMaxBecomePixelRowsMergedOrRepeatedToTheWidth) {
    const std::vector<SpanCase> cases = {
        {"silence is the middle row", {{0.0F, 0.0F}}, 2, 9, {{4, 4}, {4, 4}}},
        {"full scale fills the height", {{-1.0F, 1.0F}}, 1, 9, {{0, 8}}},
        {"half up, quarter down", {{-0.25F, 0.5F}}, 1, 9, {{2, 5}}},
        {"beyond full scale is clamped", {{-3.0F, 2.0F}}, 1, 5, {{0, 4}}},
        {"four columns merge into two pixels",
         {{0.0F, 0.5F}, {-0.5F, 0.0F}, {0.0F, 1.0F}, {0.0F, 0.0F}},
         2,
         9,
         {{2, 6}, {0, 4}}},
        {"two columns stretch over four pixels", {{0.0F, 1.0F}, {-1.0F, 0.0F}}, 4, 3, {{0, 1}, {0, 1}, {1, 2}, {1, 2}}},
        {"no waveform draws nothing", {}, 4, 9, {}},
        {"no room draws nothing", {{-1.0F, 1.0F}}, 0, 9, {}},
    };
    for (const SpanCase& c : cases) {
        EXPECT_EQ(WaveformPixelSpans(c.waveform, c.width, c.height), c.expected) << c.what;
    }
}

TEST(WaveformPictureTest, DetailsTextNamesEveryDetailOrWhyThereIsNoPreview) {
    SoundAnalysis analysis;
    analysis.details = SoundDetails{"WAV", "PCM 24-bit", 48000, 2, 24, 96000, 2.0, 0.5};
    const QString text = SoundDetailsText(analysis);
    for (const char* part :
         {"WAV, PCM 24-bit", "48000 Hz", "stereo", "24 bits", "2.000 s", "96000 frames", "Peak 0.500 (-6.0 dBFS)"}) {
        EXPECT_TRUE(text.contains(QString::fromLatin1(part))) << part << " in " << text.toStdString();
    }
    SoundAnalysis none;
    none.reason = "File contains data in an unknown format.";
    EXPECT_EQ(SoundDetailsText(none), QStringLiteral("No preview: File contains data in an unknown format."));
}

TEST(WaveformCacheTest, AFileIsReadOnceUntilItsSizeOrModificationTimeChanges) {
    TestSupport::TempFolder folder;
    const std::string file = folder / "001 Kick.wav";
    const QString path = QString::fromStdString(file);
    WriteWav(file, 1000, 16384);
    CWaveformCache cache;

    EXPECT_EQ(cache.Lookup(path), nullptr); // computed off the GUI thread
    cache.WaitForIdle();
    std::shared_ptr<const SoundAnalysis> analysis = cache.Lookup(path);
    ASSERT_NE(analysis, nullptr);
    ASSERT_TRUE(analysis->details);
    EXPECT_EQ(analysis->details->frames, 1000);
    EXPECT_EQ(analysis->waveform.size(), CWaveformCache::kColumns);
    EXPECT_EQ(cache.Lookup(path), analysis);
    EXPECT_EQ(cache.ComputationsStarted(), 1);

    // Another size: read again.
    WriteWav(file, 2000, 16384);
    EXPECT_EQ(cache.Lookup(path), nullptr);
    EXPECT_EQ(cache.Lookup(path), nullptr); // one computation for the file as it is
    cache.WaitForIdle();
    ASSERT_NE(cache.Lookup(path), nullptr);
    EXPECT_EQ(cache.Lookup(path)->details->frames, 2000);
    EXPECT_EQ(cache.ComputationsStarted(), 2);

    // The same size with another content and modification time: read again.
    WriteWav(file, 2000, -8192);
    QFile touched(path);
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    ASSERT_TRUE(touched.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    touched.close();
    EXPECT_EQ(cache.Lookup(path), nullptr);
    cache.WaitForIdle();
    ASSERT_NE(cache.Lookup(path), nullptr);
    EXPECT_NEAR(cache.Lookup(path)->details->peak, 0.25, 1e-3);
    EXPECT_EQ(cache.ComputationsStarted(), 3);
}

TEST(WaveformCacheTest, InstrumentWavesAndUnreadableFilesGiveNoPreviewWithTheReason) {
    TestSupport::TempFolder folder;
    const std::string native = folder / "002 Bass.w00";
    const std::string garbage = folder / "003 Noise.wav";
    WriteWav(native, 100, 1000); // readable, but the instrument's kind is never opened
    WriteBytes(garbage, std::vector<std::uint8_t>(300, 0x5A));
    CWaveformCache cache;

    const std::shared_ptr<const SoundAnalysis> nativeAnalysis = cache.Lookup(QString::fromStdString(native));
    ASSERT_NE(nativeAnalysis, nullptr); // known by its name, without a computation
    EXPECT_FALSE(nativeAnalysis->details);
    EXPECT_EQ(cache.ComputationsStarted(), 0);
    EXPECT_EQ(cache.Tooltip(QString::fromStdString(native)),
              QStringLiteral("No preview: ") + QString::fromLatin1(kInstrumentWaveReason));

    EXPECT_EQ(cache.Tooltip(QString::fromStdString(garbage)), QStringLiteral("Reading the sound file..."));
    cache.WaitForIdle();
    const QString tooltip = cache.Tooltip(QString::fromStdString(garbage));
    EXPECT_TRUE(tooltip.startsWith(QStringLiteral("No preview: "))) << tooltip.toStdString();
    EXPECT_GT(tooltip.size(), QStringLiteral("No preview: ").size());
}

} // namespace
} // namespace Orvanta
