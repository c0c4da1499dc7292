// lintra: the desktop program. Usage: lintra [--lang zh|en] [--max-pixels N] [file] [--run-steps a,b,c]
#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>
#include <QSettings>
#include <cstdio>
#include <optional>

#include "app/icons.h"
#include "app/lintra_app.h"
#include "app/translations.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromUtf8(lintra::kSettingsKey));
    QCoreApplication::setApplicationName(QStringLiteral("Lintra"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    // No application display name: on X11 Qt would append it to every
    // window title, and the titles are the program's own ("参数调整").
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
    QCommandLineOption language(QStringLiteral("lang"),
                                QStringLiteral("The language of the program: zh (Chinese) or en (English); "
                                               "by default the locale's (English for en_*, else Chinese)."),
                                QStringLiteral("zh|en"));
    QCommandLineOption maxPixels(
        QStringLiteral("max-pixels"),
        QStringLiteral("Refuse pictures of more than N pixels (width x height) from now on; the default "
                       "is 300000000. The choice is kept in the settings."),
        QStringLiteral("N"));
    parser.addOption(language);
    parser.addOption(maxPixels);
    parser.addOption(steps);
    parser.addOption(screenshot);
    parser.process(app);

    lintra::Language chosen = lintra::LanguageForLocale(QLocale::system());
    if (parser.isSet(language)) {
        std::optional<lintra::Language> asked = lintra::ParseLanguage(parser.value(language));
        if (!asked) {
            std::fprintf(stderr, "lintra: --lang takes zh or en, not \"%s\"\n",
                         qPrintable(parser.value(language)));
            return 2;
        }
        chosen = *asked;
    }
    if (!lintra::InstallTranslations(chosen))
        qWarning("the %s translation could not be loaded; some texts stay untranslated",
                 chosen == lintra::Language::English ? "English" : "Chinese");

    lintra::StartOptions options;
    if (!parser.positionalArguments().isEmpty()) options.file = parser.positionalArguments().first();
    options.steps = parser.value(steps).split(u',', Qt::SkipEmptyParts);
    options.screenshot = parser.value(screenshot);

    QSettings settings;
    if (parser.isSet(maxPixels)) {
        bool ok = false;
        const qulonglong budget = parser.value(maxPixels).toULongLong(&ok);
        if (!ok || budget == 0) {
            std::fprintf(stderr, "lintra: --max-pixels takes a whole number above 0, not \"%s\"\n",
                         qPrintable(parser.value(maxPixels)));
            return 2;
        }
        settings.setValue(QLatin1String(lintra::kPixelBudgetKey), budget);
    }
    lintra::CLintraApp lintraApp(settings);
    if (!lintraApp.InitInstance(options)) return 1;
    return app.exec();
}
