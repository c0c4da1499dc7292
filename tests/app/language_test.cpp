// The program's language, chosen from the locale as the program chooses
// it: its menus and dialogs and Qt's own dialogs speak it. CTest runs this
// twice, under LANG=en_US.UTF-8 and under LANG=zh_CN.UTF-8, and says in
// LINTRA_EXPECT_LANG which language that locale must give.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/main_frame.h"
#include "app/param_dialog.h"
#include "app/qt_user_interface.h"
#include "app/translations.h"
#include "docview/commands.h"
#include "docview/messages.h"
#include "image/bmp_messages.h"
#include "raster/contour.h"
#include "vector/vectorise/contour_peeler.h"

using namespace lintra;

class TestLanguage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void localeChoosesTheLanguage();
    void menusAndDialogsSpeakIt();
    void openDialogSpeaksIt();
    void everyTextHasItsTranslation();
    void unknownLanguageOptionIsRefused();

private:
    Language m_language = Language::Chinese;
};

void TestLanguage::initTestCase() {
    const QByteArray expected = qgetenv("LINTRA_EXPECT_LANG");
    QVERIFY2(expected == "en" || expected == "zh", "LINTRA_EXPECT_LANG must be en or zh");
    m_language = LanguageForLocale(QLocale::system());
    QCOMPARE(m_language, expected == "en" ? Language::English : Language::Chinese);
    QVERIFY(InstallTranslations(m_language));
}

void TestLanguage::localeChoosesTheLanguage() {
    QCOMPARE(LanguageForLocale(QLocale(QStringLiteral("en_US"))), Language::English);
    QCOMPARE(LanguageForLocale(QLocale(QStringLiteral("en_GB"))), Language::English);
    QCOMPARE(LanguageForLocale(QLocale(QStringLiteral("zh_CN"))), Language::Chinese);
    QCOMPARE(LanguageForLocale(QLocale(QStringLiteral("zh_TW"))), Language::Chinese);
    // No translation for German, nor for the C locale: the source texts.
    QCOMPARE(LanguageForLocale(QLocale(QStringLiteral("de_DE"))), Language::Chinese);
    QCOMPARE(LanguageForLocale(QLocale::c()), Language::Chinese);
    QCOMPARE(ParseLanguage(QStringLiteral("EN")), Language::English);
    QCOMPARE(ParseLanguage(QStringLiteral("zh")), Language::Chinese);
    QVERIFY(!ParseLanguage(QStringLiteral("fr")).has_value());
}

void TestLanguage::menusAndDialogsSpeakIt() {
    const bool english = m_language == Language::English;
    CMainFrame frame;
    QList<QAction*> top = frame.menuBar()->actions();
    QCOMPARE(QString(top[0]->text()).remove(u'&'),
             english ? QStringLiteral("File") : QStringLiteral("文件(F)"));
    QCOMPARE(frame.ActionFor(cmd::kFileOpen)->text(),
             english ? QStringLiteral("&Open...") : QStringLiteral("打开...(&O)"));
    // Step two keeps Alt+2 in English, Alt+S in Chinese.
    QCOMPARE(top[4]->text(), english ? QStringLiteral("Step &2") : QStringLiteral("处理第二步(&S)"));
    QCOMPARE(frame.ActionFor(cmd::kRestorePrevious)->statusTip(),
             english ? QStringLiteral("Restore the previous picture") : QStringLiteral("还原至上一幅图"));
    CGaiBian dialog(nullptr, nullptr);
    QCOMPARE(dialog.windowTitle(), english ? QStringLiteral("Adjust Parameter") : QStringLiteral("参数调整"));
    QCOMPARE(dialog.OkButton()->text(), english ? QStringLiteral("OK") : QStringLiteral("确定"));
}

void TestLanguage::openDialogSpeaksIt() {
    const bool english = m_language == Language::English;
    QtUserInterface ui;
    QString title;
    QStringList buttons;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        title = dialog->windowTitle();
        QDialogButtonBox* box = dialog->findChild<QDialogButtonBox*>();
        QVERIFY(box != nullptr);
        for (QAbstractButton* button : box->buttons()) buttons.append(button->text());
        dialog->reject();
    });
    FileDialogRequest request;
    request.filters = {{"位图文件(*.BMP)", {"*.BMP"}}};
    QVERIFY(!ui.ChooseOpenFile(request).has_value());
    QCOMPARE(title, english ? QStringLiteral("Open") : QStringLiteral("打开"));
    // Qt's own buttons come from Qt's catalogue of the same language.
    buttons.sort();
    QCOMPARE(buttons, english ? QStringList({QStringLiteral("&Open"), QStringLiteral("Cancel")})
                              : QStringList({QStringLiteral("取消"), QStringLiteral("打开(&O)")}));
}

void TestLanguage::everyTextHasItsTranslation() {
    // In Chinese every source text is shown as written; in English none is.
    const bool english = m_language == Language::English;
    QStringList missing;
    auto check = [&](std::string_view text) {
        if (text.empty()) return;
        const QString source = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        if ((Tr(text) == source) == english) missing.append(source);
    };
    for (const Command& command : CommandTable()) {
        check(command.menuLabel);
        check(command.prompt);
    }
    for (const MenuDefinition& menu : MainMenu()) check(menu.title);
    for (const char* message :
         {kMsgNoInfoHeader, kMsgOldInfoHeader, kMsgBadDimensions, kMsgTooLarge, kMsgBadColourCount,
          kMsgNoColourTable, kMsgNoPixels, kMsgCompression, kMsgBadRle, kMsgNoMemory, kMsgUnsupportedDepth,
          kMsgPalettorFailed, kIsolatedPointMessage, kEmptyContourMessage, kStatusCadEntities,
          kStatusCadEntitiesAssumedDpi})
        check(message);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(" | "))));
    // The reader's English message and "OVER" stay as they are in both.
    QCOMPARE(Tr(kMsgNotBitmap), QString::fromUtf8(kMsgNotBitmap));
}

void TestLanguage::unknownLanguageOptionIsRefused() {
    QProcess lintra;
    lintra.start(QStringLiteral(LINTRA_BIN_DIR "/lintra"), {QStringLiteral("--lang"), QStringLiteral("fr")});
    QVERIFY(lintra.waitForFinished(30000));
    QCOMPARE(lintra.exitCode(), 2);
    QVERIFY(lintra.readAllStandardError().contains("--lang"));
}

QTEST_MAIN(TestLanguage)
#include "language_test.moc"
