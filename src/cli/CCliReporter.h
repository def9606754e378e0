#pragma once

#include "model/CTernProgressBar.h"
#include "model/CTernTextOut.h"

#include <ostream>

namespace Orvanta::Cli {

// The message reporter of the command-line tool: every error and every question of the system
// becomes one line on the error stream, "error: TEXT" or "question: TEXT -> yes|no", with the texts
// of the message tables. Questions are answered from the script: "no" (Cancel or No) until an
// "answer yes" statement switches to OK or Yes.
class CCliReporter : public CTernTextOut {
public:
    explicit CCliReporter(std::ostream& out) : m_out(out) {}

    void Error(int code) override;
    // "error: TEXT" and then each line of the detail indented by two blanks.
    void ErrorWithDetail(int code, const std::string& detail) override;
    int Ask(int buttons, int question) override;
    // "recovered: TEXT".
    void ReportRecovery(const std::string& text) override;
    // "warning: TEXT".
    void Warning(const std::string& text) override;

    void SetAnswerYes(bool yes) { m_answerYes = yes; }
    // Number of errors reported so far.
    [[nodiscard]] int ErrorCount() const { return m_errorCount; }

protected:
    void Sink(const std::string& text) override;

private:
    // Each line of `detail` indented by two blanks.
    void ErrorDetail(const std::string& detail);

    std::ostream& m_out;
    bool m_answerYes = false;
    int m_errorCount = 0;
};

// The answer a button set gives for yes or no: OK or Yes, Cancel or No; a box with an OK button
// only can only be confirmed.
int AnswerFor(int buttons, bool yes);

// Progress is not shown: a run of the tool is not interactive.
class CQuietProgress : public CTernProgressBar {
public:
    void Reserved(int /*first*/, int /*second*/, int /*third*/) override {}
    void Begin(int /*maximum*/, const std::string& /*text*/, bool /*cancellable*/) override { ++m_depth; }
    void End() override {
        if (m_depth > 0) {
            --m_depth;
        }
    }
};

} // namespace Orvanta::Cli
