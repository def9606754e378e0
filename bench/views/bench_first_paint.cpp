// The first paint of a project window with 999 waves (about 50 MB of WAV files), with the waveform
// column and without it (hidden), and how long the background reading takes until every picture is
// in. Runs offscreen unless QT_QPA_PLATFORM says otherwise.
//
//     bench_first_paint [ROUNDS]

#include "cli/DemoAudio.h"
#include "model/CTernData.h"
#include "model/CWave.h"
#include "storage/CTernFileDocument.h"
#include "views/CFileView.h"
#include "views/CWaveListCtrl.h"
#include "views/CWaveformCache.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace Orvanta;

constexpr std::size_t kWaves = 999;
constexpr std::size_t kFramesPerWave = 25000; // 16-bit mono: 50,044 bytes a file, 50 MB in all

// Writes the wave files and returns their paths.
std::vector<std::string> WriteWaves(const QString& folder) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < kWaves; ++i) {
        std::vector<std::int16_t> samples(kFramesPerWave);
        const double frequency = 55.0 * static_cast<double>(1 + i % 24);
        for (std::size_t f = 0; f < samples.size(); ++f) {
            const double fade = 1.0 - static_cast<double>(f) / static_cast<double>(samples.size());
            samples[f] = static_cast<std::int16_t>(
                20000.0 * fade *
                std::sin(2.0 * 3.14159265 * frequency * static_cast<double>(f) / Cli::kDemoSampleRate));
        }
        const std::vector<std::uint8_t> bytes = Cli::EncodeWav(samples);
        char name[32];
        std::snprintf(name, sizeof name, "/%03zu Wave.wav", i + 1);
        paths.push_back(folder.toStdString() + name);
        std::ofstream(paths.back(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    return paths;
}

class Document : public CTernFileDocument {};

// Milliseconds from making the window until its wave list has painted once.
double FirstPaint(Document& document, bool pictures) {
    QElapsedTimer clock;
    clock.start();
    CFileView view(document);
    view.resize(640, 800);
    CWaveListCtrl& waves = view.WaveList();
    bool painted = false;
    struct PaintWatcher : QObject {
        bool* flag;
        explicit PaintWatcher(bool* f) : flag(f) {}
        bool eventFilter(QObject* /*watched*/, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                *flag = true;
            }
            return false;
        }
    } watcher(&painted);
    waves.viewport()->installEventFilter(&watcher);
    view.OnInitialUpdate();
    for (int column = 0; column < waves.model()->columnCount(); ++column) {
        if (waves.IsWaveformColumn(column)) {
            waves.setColumnHidden(column, !pictures);
        }
    }
    view.show();
    while (!painted) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    waves.viewport()->removeEventFilter(&watcher);
    return elapsed;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    QTemporaryDir folder;
    std::printf("writing %zu waves...\n", kWaves);
    const std::vector<std::string> paths = WriteWaves(folder.path());

    Document document;
    CTernData& project = document.Data();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        auto wave = std::make_unique<CWave>();
        wave->m_path = paths[i];
        wave->m_name = "Wave " + std::to_string(i + 1);
        project.m_waves.Replace(i, std::move(wave));
    }

    CWaveformCache& cache = CWaveformCache::Instance();
    // Cold: nothing read yet; the paint only asks for the rows on screen. The window is gone before
    // its own prefetch would start, so the rest is asked for here as the wave list would.
    const double warmUp = FirstPaint(document, false); // the first window of the process sets up fonts and style
    const double cold = FirstPaint(document, true);
    QElapsedTimer clock;
    clock.start();
    QStringList all;
    for (const std::string& path : paths) {
        all.push_back(QString::fromStdString(path));
    }
    cache.Prefetch(all);
    cache.WaitForIdle();
    const double fill = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    std::vector<double> with;
    std::vector<double> without;
    for (int i = 0; i < rounds; ++i) {
        without.push_back(FirstPaint(document, false));
        with.push_back(FirstPaint(document, true));
    }
    std::printf("first paint of a window with %zu waves (ms, median of %d):\n", kWaves, rounds);
    std::printf("  without pictures (column hidden)     %8.2f\n", Median(without));
    std::printf("  with pictures, all known             %8.2f\n", Median(with));
    std::printf("  with pictures, none known yet (once) %8.2f (after a first window without: %.2f)\n", cold, warmUp);
    std::printf("every picture in after the first paint: %.0f ms\n", fill);
    return 0;
}
