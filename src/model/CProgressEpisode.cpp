#include "model/CProgressEpisode.h"

#include "model/CDomain.h"

namespace Orvanta {

namespace {

std::chrono::milliseconds g_delay{400};
constexpr std::chrono::milliseconds kPumpInterval{50};

} // namespace

CProgressEpisode::CProgressEpisode(int maximum, std::string text)
    : m_maximum(maximum), m_text(std::move(text)), m_start(std::chrono::steady_clock::now()), m_lastPump(m_start) {}

CProgressEpisode::~CProgressEpisode() {
    CTernProgressBar* progress = CDomain::Instance().Progress();
    if (m_begun && progress != nullptr) {
        progress->End();
    }
}

void CProgressEpisode::Step(int position) {
    CTernProgressBar* progress = CDomain::Instance().Progress();
    if (progress == nullptr) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!m_begun) {
        if (now - m_start < g_delay) {
            return;
        }
        progress->Begin(m_maximum, m_text, false);
        m_begun = true;
    }
    progress->SetPos(position);
    if (now - m_lastPump >= kPumpInterval || g_delay.count() == 0) {
        m_lastPump = now;
        progress->PumpAndCheckCancel();
    }
}

void CProgressEpisode::SetDelay(std::chrono::milliseconds delay) {
    g_delay = delay;
}

std::chrono::milliseconds CProgressEpisode::Delay() {
    return g_delay;
}

} // namespace Orvanta
