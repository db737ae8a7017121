#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdlib>
#include <filesystem>

#include "app/ui/main_window.h"
#include "base/data_folder.h"
#include "widgets/ui/prompts.h"
#include "widgets/ui/shutdown_signals.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TuneVault"));
    QApplication::setApplicationVersion(QStringLiteral("2.01"));

    // Qt's own dialogs and buttons speak German, as the program does.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    // Asked to end by the system, the program ends the normal way.
    tv::ShutdownSignals shutdownSignals;

    tv::QtPrompts prompts;
    // The list files and the settings live beside the program when its folder is
    // writable, else in the user's data folder. The folder is taken as bytes from
    // the system, so a name that is not UTF-8 still works.
    std::error_code error;
    std::filesystem::path programFolder =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    if (error || programFolder.empty())
        programFolder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    std::filesystem::path dataFolder;
    try {
        dataFolder =
            tv::ChooseDataFolder(programFolder, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    } catch (const std::exception& failure) {
        prompts.Tell(nullptr, QStringLiteral("Fehler"),
                     QStringLiteral("Der Ordner für die Listen und Einstellungen kann nicht "
                                    "angelegt werden: ") +
                         QString::fromLocal8Bit(failure.what()),
                     tv::PromptIcon::Error);
        return 1;
    }
    tv::TForm1 mainWindow(dataFolder, prompts);
    QObject::connect(&shutdownSignals, &tv::ShutdownSignals::ShutdownRequested, &mainWindow,
                     [&mainWindow](int) { mainWindow.ShutDownAndQuit(); });
    mainWindow.show();
    return QApplication::exec();
}
