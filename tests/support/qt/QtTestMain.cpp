// The main of the Qt test executables. Every test process gets a fresh private folder as home,
// settings, data and runtime folder, so no test touches the user's settings and CTest may run the
// cases in parallel; the platform is offscreen unless the caller chose another. After each case
// no top-level window may be left behind.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class LeakedWindowCheck : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& /*info*/) override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QStringList leaked;
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible()) {
                leaked.push_back(QString::fromLatin1(widget->metaObject()->className()) + QLatin1Char(' ') +
                                 widget->objectName());
            }
        }
        EXPECT_TRUE(leaked.isEmpty()) << "windows left open: " << leaked.join(QStringLiteral(", ")).toStdString();
    }
};

void UseFolder(const char* variable, const QString& path) {
    QDir().mkpath(path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv(variable, QFile::encodeName(path));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir home;
    if (!home.isValid()) {
        return 2;
    }
    UseFolder("HOME", home.path());
    UseFolder("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")));
    UseFolder("XDG_DATA_HOME", home.filePath(QStringLiteral("data")));
    UseFolder("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")));
    UseFolder("XDG_RUNTIME_DIR", home.filePath(QStringLiteral("runtime")));

    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new LeakedWindowCheck);
    return RUN_ALL_TESTS();
}
