// A second process for the tests of the single instance and the shared memory:
//   crash-primary FOLDER     becomes primary in FOLDER, then ends without releasing anything
//   primary FOLDER           becomes primary, prints "ready", prints the first path handed over
//                            ("open:" + path) and ends
//   mmf-write NAME VALUE     creates the 4-byte block NAME, writes VALUE, prints "ready", waits for
//                            a line on standard input, then ends
//   mmf-read NAME            opens the block NAME and prints the value in it

#include "winframework/CMMF.h"
#include "winframework/CSingleInstance.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        return 2;
    }
    const QString mode = arguments[1];
    if (mode == QLatin1String("crash-primary")) {
        Orvanta::CSingleInstance instance(QStringLiteral("orvanta-test"), arguments[2]);
        if (!instance.BecomePrimary()) {
            return 3;
        }
        std::fflush(stdout);
        std::_Exit(0); // like a crash: no destructor releases the lock
    }
    if (mode == QLatin1String("primary")) {
        Orvanta::CSingleInstance instance(QStringLiteral("orvanta-test"), arguments[2]);
        if (!instance.BecomePrimary()) {
            return 3;
        }
        QObject::connect(&instance, &Orvanta::CSingleInstance::ActivationRequested, &application,
                         [](const QString& path) {
                             std::printf("open:%s\n", path.toUtf8().constData());
                             std::fflush(stdout);
                             QCoreApplication::exit(0);
                         });
        QTimer::singleShot(20000, &application, [] { QCoreApplication::exit(4); });
        std::printf("ready\n");
        std::fflush(stdout);
        return QCoreApplication::exec();
    }
    if (mode == QLatin1String("mmf-write") && arguments.size() >= 4) {
        Orvanta::CMMF block;
        if (block.Create(arguments[2], 4) == Orvanta::CMMF::Result::Failed) {
            return 3;
        }
        const auto value = static_cast<std::uint32_t>(arguments[3].toUInt());
        std::memcpy(block.Map(4), &value, sizeof value);
        std::printf("ready\n");
        std::fflush(stdout);
        std::string line;
        std::getline(std::cin, line);
        return 0;
    }
    if (mode == QLatin1String("mmf-read")) {
        Orvanta::CMMF block;
        const Orvanta::CMMF::Result result = block.Create(arguments[2], 4);
        if (result == Orvanta::CMMF::Result::Failed) {
            return 3;
        }
        std::uint32_t value = 0;
        std::memcpy(&value, block.Map(4), sizeof value);
        std::printf("%s:%u\n", result == Orvanta::CMMF::Result::Opened ? "opened" : "created", value);
        return 0;
    }
    return 2;
}
