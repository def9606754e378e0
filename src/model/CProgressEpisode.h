#pragma once

#include <chrono>
#include <string>

namespace Orvanta {

// One long operation's progress through the domain's progress reporter. The display opens only
// when the work takes long: Begin is called at the first Step after the delay has passed, so quick
// loads and saves never flash a dialog. End follows when the episode goes out of scope. Episodes
// are not cancellable: a save or load stopped half-way would leave more to repair than it saves.
class CProgressEpisode {
public:
    CProgressEpisode(int maximum, std::string text);
    CProgressEpisode(const CProgressEpisode&) = delete;
    CProgressEpisode& operator=(const CProgressEpisode&) = delete;
    ~CProgressEpisode();

    // Reports that `position` of the maximum is done, and lets the display update now and then.
    void Step(int position);

    // How long an operation runs before its progress is shown; tests set 0.
    static void SetDelay(std::chrono::milliseconds delay);
    [[nodiscard]] static std::chrono::milliseconds Delay();

private:
    int m_maximum;
    std::string m_text;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastPump;
    bool m_begun = false;
};

} // namespace Orvanta
