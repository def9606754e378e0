#include "QtTestSupport.h"

#include "winframework/CSettings.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>

#include <memory>

namespace Orvanta::QtTesting {

void ClearSettings() {
    const std::unique_ptr<QSettings> settings = CSettings::Open();
    settings->clear();
    settings->sync();
}

void WhenModalShown(std::function<void(QWidget*)> action, int timeoutMs) {
    auto* timer = new QTimer(qApp);
    auto remaining = std::make_shared<int>(timeoutMs);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, remaining, action = std::move(action)] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
            return;
        }
        *remaining -= 10;
        if (*remaining <= 0) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

QString TestHome() {
    return qEnvironmentVariable("HOME");
}

} // namespace Orvanta::QtTesting
