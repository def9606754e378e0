#pragma once

#include <QString>
#include <QWidget>

#include <functional>

namespace Orvanta::QtTesting {

// Empties the settings store of this test process.
void ClearSettings();

// Runs `action` once the application has a modal window (a message box, a dialog started with
// exec) and hands it that window; gives up after `timeoutMs`.
void WhenModalShown(std::function<void(QWidget*)> action, int timeoutMs = 5000);

// The private folder this test process uses as home, settings and runtime folder.
QString TestHome();

} // namespace Orvanta::QtTesting
