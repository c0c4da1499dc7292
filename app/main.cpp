// lintra: the desktop program. Usage: lintra [file.bmp] [--run-steps a,b,c]
#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>

#include "app/app_title.h"
#include "app/icons.h"
#include "app/lintra_app.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromUtf8(lintra::kSettingsKey));
    QCoreApplication::setApplicationName(QStringLiteral("Lintra"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    QGuiApplication::setApplicationDisplayName(lintra::AppTitle());
    QGuiApplication::setDesktopFileName(QStringLiteral("lintra"));
    QApplication::setWindowIcon(lintra::AppIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Turns scanned drawings (BMP) into vector outlines (DXF)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A BMP file to open."),
                                 QStringLiteral("[file]"));
    QCommandLineOption steps(QStringLiteral("run-steps"),
                             QStringLiteral("Commands to run after opening, by their lintra-batch names, "
                                            "separated by commas (binarise-iterative,thin,vectorise-1)."),
                             QStringLiteral("steps"));
    QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("After the steps, save a grab of the screen to this file and quit."),
        QStringLiteral("png"));
    parser.addOption(steps);
    parser.addOption(screenshot);
    parser.process(app);

    lintra::StartOptions options;
    if (!parser.positionalArguments().isEmpty()) options.file = parser.positionalArguments().first();
    options.steps = parser.value(steps).split(u',', Qt::SkipEmptyParts);
    options.screenshot = parser.value(screenshot);

    QSettings settings;
    lintra::CLintraApp lintraApp(settings);
    if (!lintraApp.InitInstance(options)) return 1;
    return app.exec();
}
