#pragma once

// A started application in a private folder for each test: its own settings (the Qt test main
// gives every test process a private home), its own work folder and single-instance folder, no
// scripted answers left over, and a watchdog that fails the test instead of hanging when a modal
// window appears that the test did not answer.

#include "ProjectBuilder.h"
#include "QtTestSupport.h"
#include "TempFolder.h"
#include "shell/CApp.h"
#include "shell/CCleanProjectDlg.h"
#include "shell/CFontSetupDialog.h"
#include "shell/CInputTextDialog.h"
#include "shell/CSelectFolderDialog.h"
#include "winframework/CMessageBox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace Orvanta::ShellTesting {

inline void ClearAllScripts() {
    CMessageBox::ClearAnswers();
    CMessageBox::ResetShown();
    CSelectFolderDialog::ClearAnswers();
    CInputTextDialog::ClearAnswers();
    CCleanProjectDlg::ClearAnswers();
    CFontSetupDialog::ClearAnswers();
}

// Closes a modal window nobody answered and fails the running test.
class ModalWatchdog {
public:
    ModalWatchdog() : m_timer(std::make_unique<QTimer>()) {
        m_timer->setInterval(250);
        QObject::connect(m_timer.get(), &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr) {
                ADD_FAILURE() << "unexpected modal window: " << modal->windowTitle().toStdString();
                modal->close();
            }
        });
        m_timer->start();
    }

private:
    std::unique_ptr<QTimer> m_timer;
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtTesting::ClearSettings();
        ClearAllScripts();
        qputenv("ORVANTA_WORK_FOLDER", QByteArray::fromStdString(m_temp / "work"));
        m_app = std::make_unique<CApp>(CApp::Options{QString::fromStdString(m_temp / "runtime")});
    }

    void TearDown() override {
        Stop();
        qunsetenv("ORVANTA_WORK_FOLDER");
        ClearAllScripts();
    }

    bool Start(const QStringList& arguments = {}) { return m_app->InitInstance(arguments); }

    void Stop() {
        if (m_app) {
            m_app->ExitInstance();
            m_app.reset();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Lets posted events, deferred deletions and zero timers run.
    static void Pump() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    // A project folder "<name>" in the test folder with one patch using one wave, and the system
    // files; its path without the trailing "/", as a user would choose it.
    QString MakeProject(const std::string& name) {
        TestSupport::ProjectBuilder project(m_temp.Path(), name);
        project.AddPatch("001 Lead.p00", TestSupport::ProjectBuilder::PatchUsingWaves(1));
        project.AddWave("001 Pad.wav");
        project.AddSystemFiles();
        QString path = QString::fromStdString(project.Path());
        path.chop(1);
        return path;
    }

    [[nodiscard]] QString TempPath(const std::string& relative) const {
        return QString::fromStdString(m_temp / relative);
    }

    TestSupport::TempFolder m_temp;
    std::unique_ptr<CApp> m_app;
    ModalWatchdog m_watchdog;
};

} // namespace Orvanta::ShellTesting
