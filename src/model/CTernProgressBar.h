#pragma once

#include <string>

namespace Orvanta {

// Progress of long operations (load, save, import, clean). Begin and End nest: only the outermost
// pair opens and closes the display, and SetPos and SetText act only at depth 1.
class CTernProgressBar {
public:
    CTernProgressBar() = default;
    CTernProgressBar(const CTernProgressBar&) = delete;
    CTernProgressBar& operator=(const CTernProgressBar&) = delete;
    virtual ~CTernProgressBar() = default;

    virtual void Reserved(int first, int second, int third) = 0;
    virtual void Begin(int maximum, const std::string& text, bool cancellable) = 0;
    virtual void End() = 0;
    virtual void SetPos(int position) { m_position = position; }
    virtual void SetText(const std::string& text) { m_text = text; }
    // Lets the display process its events; true when the user asked to cancel.
    virtual bool PumpAndCheckCancel() { return false; }

    [[nodiscard]] int Position() const { return m_position; }
    [[nodiscard]] const std::string& Text() const { return m_text; }
    [[nodiscard]] int Depth() const { return m_depth; }
    [[nodiscard]] bool IsCancellable() const { return m_cancellable; }

protected:
    int m_position = 0;
    std::string m_text;
    int m_templateId = 0;
    int m_depth = 0;
    bool m_cancellable = false;
    bool m_cancelled = false;
};

} // namespace Orvanta
