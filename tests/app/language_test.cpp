// The program's language, chosen from the locale as the program chooses
// it: its menus and dialogs and Qt's own dialogs speak it. CTest runs this
// twice, under LANG=en_US.UTF-8 and under LANG=zh_CN.UTF-8, and says in
// LINTRA_EXPECT_LANG which language that locale must give.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/about_dialog.h"
#include "app/cad_options_dialog.h"
#include "app/file_dialogs.h"
#include "app/history_dock.h"
#include "app/lintra_app.h"
#include "app/main_frame.h"
#include "app/param_dialog.h"
#include "app/recent_files.h"
#include "app/trace_dialog.h"
#include "app/translations.h"
#include "app/user_input.h"
#include "app/view_widget.h"
#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/messages.h"
#include "docview/view.h"
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
    void englishLeavesNoChineseText();
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
    CParameterDialog dialog(nullptr, nullptr);
    QCOMPARE(dialog.windowTitle(), english ? QStringLiteral("Adjust Parameter") : QStringLiteral("参数调整"));
    QCOMPARE(dialog.OkButton()->text(), english ? QStringLiteral("OK") : QStringLiteral("确定"));
}

void TestLanguage::openDialogSpeaksIt() {
    const bool english = m_language == Language::English;
    FileChooser files;
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
    QVERIFY(!files.ChooseOpenFile(nullptr, request).has_value());
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
    for (const char* message : {kMsgNoInfoHeader,
                                kMsgOldInfoHeader,
                                kMsgBadDimensions,
                                kMsgTooLarge,
                                kMsgBadColourCount,
                                kMsgNoColourTable,
                                kMsgNoPixels,
                                kMsgCompression,
                                kMsgBadRle,
                                kMsgNoMemory,
                                kMsgUnsupportedDepth,
                                kMsgPalettorFailed,
                                kIsolatedPointMessage,
                                kEmptyContourMessage,
                                kStatusCadEntities,
                                kStatusCadEntitiesAssumedDpi,
                                kMsgVectorsFromOtherPicture,
                                kMsgNothingToExport,
                                kMsgCadWriteFailed,
                                kMsgOverPixelBudget,
                                kMsgDamagedImage,
                                kMsgUnsupportedImage,
                                kMsgNoSuchPage,
                                kFilterFormatImages,
                                kTitleWithPage,
                                kStatusThreshold.plain,
                                kStatusThreshold.vectorShown,
                                kStatusRemoved.plain,
                                kStatusRemoved.vectorShown,
                                kStatusChanged.plain,
                                kStatusChanged.vectorShown,
                                kStatusSegments,
                                kStatusDxfLines,
                                kStatusHistoryAt})
        check(message);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(" | "))));
    // The reader's English message and "OVER" stay as they are in both.
    QCOMPARE(Tr(kMsgNotBitmap), QString::fromUtf8(kMsgNotBitmap));
}

namespace {

bool HasHan(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x3400 && c.unicode() <= 0x9FFF) return true;
    return false;
}

// Every text a widget and its children show: titles, labels, buttons, list
// entries, the spin boxes' special texts, actions and their tips.
QStringList ShownTexts(QWidget* widget) {
    QStringList texts{widget->windowTitle()};
    for (QLabel* label : widget->findChildren<QLabel*>()) texts << label->text();
    for (QAbstractButton* button : widget->findChildren<QAbstractButton*>()) texts << button->text();
    for (QComboBox* box : widget->findChildren<QComboBox*>())
        for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
    for (QDoubleSpinBox* box : widget->findChildren<QDoubleSpinBox*>()) texts << box->specialValueText();
    for (QAction* action : widget->findChildren<QAction*>())
        texts << action->text() << action->statusTip() << action->toolTip();
    return texts;
}

}  // namespace

void TestLanguage::englishLeavesNoChineseText() {
    if (m_language != Language::English) QSKIP("the Chinese texts are the sources");
    QStringList seen;  // "where: text"
    auto see = [&](const QString& where, const QStringList& texts) {
        for (const QString& text : texts) seen << where + QStringLiteral(": ") + text;
    };
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    CLintraApp app(settings);
    StartOptions options;
    options.programDirectory = QStringLiteral(LINTRA_BIN_DIR);
    QVERIFY(app.InitInstance(options));
    QStringList messages;
    app.SetUnattended(true);
    QObject::connect(&app, &CLintraApp::messageShown, [&](const QString& text) { messages << text; });

    // The main window with its menus, toolbar and status tips, and the dialogs.
    see(QStringLiteral("frame"), ShownTexts(&app.Frame()));
    CParameterDialog param(nullptr, nullptr);
    see(QStringLiteral("parameter dialog"), ShownTexts(&param));
    CAboutDlg about(nullptr);
    see(QStringLiteral("about box"), ShownTexts(&about));
    for (const PictureGeometry& picture :
         {PictureGeometry{600, 400, 11811, 11811}, PictureGeometry{600, 400, 0, 0}}) {
        CadOptionsDialog cad(picture, CadExportSettings{}, nullptr);
        see(QStringLiteral("CAD options"), ShownTexts(&cad));
    }
    for (const FileDialogRequest& request :
         {OpenFileDialog(), BmpFileDialog(), DxfFileDialog(), CadFileDialog()})
        see(QStringLiteral("file filters"), ToQtNameFilters(request.filters));

    // The about box's labels stand clear of their values.
    for (auto [label, value] : {std::pair{"authorLabel", "author"}, std::pair{"homeLabel", "home"},
                                std::pair{"mailLabel", "mail"}}) {
        const QRect labelRect = about.findChild<QLabel*>(QLatin1String(label))->geometry();
        const QRect valueRect = about.findChild<QLabel*>(QLatin1String(value))->geometry();
        QVERIFY2(!labelRect.intersects(valueRect), label);
        QVERIFY2(labelRect.width() >= about.findChild<QLabel*>(QLatin1String(label))->sizeHint().width(),
                 label);
    }

    // The load errors the readers compose, the program's own messages, and
    // a multi-page file's title.
    const QString formats = QStringLiteral(LINTRA_TEST_DATA_DIR "/formats/");
    for (const char* file : {"crawfish_459x477_truncated.png", "crawfish_459x477_truncated.jpg",
                             "crawfish_459x477_badcrc.png", "not_an_image.png"})
        app.OpenFile(formats + QLatin1String(file));
    const std::uint64_t budget = app.Doc().m_readOptions.maxPixels;
    app.Doc().m_readOptions.maxPixels = 100000;
    app.OpenFile(formats + QStringLiteral("crawfish_459x477_grey.png"));
    app.Doc().m_readOptions.maxPixels = budget;
    app.Doc().m_readOptions.page = 9;
    app.OpenFile(formats + QStringLiteral("crawfish_459x477_multipage.tif"));
    app.Doc().m_readOptions.page = 2;
    app.OpenFile(formats + QStringLiteral("crawfish_459x477_multipage.tif"));
    app.ViewWidget().Refresh();
    see(QStringLiteral("title"), {app.Frame().windowTitle()});
    QVERIFY(app.Frame().windowTitle().contains(QStringLiteral("page 2 of 2")));
    // The recent list keeps the file, which opens again, not the page's title.
    QCOMPARE(app.Recent().Paths().value(0), formats + QStringLiteral("crawfish_459x477_multipage.tif"));
    app.OpenFile(formats + QStringLiteral("no_such_file.png"));
    // The CAD export: nothing traced yet, then a drawing, then another picture.
    QAction* exportCad = app.Frame().ActionFor(cmd::kExportCad);
    exportCad->trigger();
    for (int id : {cmd::kBinariseIterative, cmd::kThin, cmd::kVectorise1})
        app.Frame().ActionFor(id)->trigger();
    QCoreApplication::processEvents();
    // OK in the options dialog, the file named in advance.
    auto answer = test::AnswerModals([&](QWidget* modal) {
        // Opening the next picture asks whether to save this one: not saved.
        see(QStringLiteral("save question"), ShownTexts(modal));
        if (test::ClickMessageBoxButton(modal, QMessageBox::No)) return;
        if (QAbstractButton* ok = modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok))
            QTest::mouseClick(ok, Qt::LeftButton);
    });
    app.Files().PresetSaveFile(dir.filePath(QStringLiteral("drawing.dxf")));
    exportCad->trigger();
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("drawing.dxf"))));
    see(QStringLiteral("status"), {app.Frame().statusBar()->currentMessage()});
    QVERIFY(!app.Frame().statusBar()->currentMessage().isEmpty());
    // The history panel, the picture and pointer panes, and undo's note.
    HistoryDock& dock = app.HistoryPanel();
    QStringList panel{dock.windowTitle(), dock.CopyButton()->text(), app.PictureLabel().text()};
    for (int i = 0; i < dock.List()->count(); ++i) panel << dock.List()->item(i)->text();
    QCOMPARE(dock.List()->count(), 4);
    QTest::mouseMove(&app.ViewWidget(), QPoint(30, 30));
    panel << app.PointerLabel().text();
    QVERIFY(!app.PointerLabel().text().isEmpty());
    app.Frame().ActionFor(cmd::kEditUndo)->trigger();
    panel << app.Frame().statusBar()->currentMessage();
    app.Frame().ActionFor(cmd::kEditRedo)->trigger();
    see(QStringLiteral("history"), panel);
    app.OpenFile(formats + QStringLiteral("lamp_194x285_grey.png"));
    app.ViewWidget().Refresh();
    exportCad->trigger();
    app.Frame().ActionFor(cmd::kShowCadDrawing)->trigger();
    // The trace dialog, with its first preview and with every trackbar off
    // the preset's value, then cancelled.
    app.Frame().ActionFor(cmd::kTrace)->trigger();
    TraceDialog* trace = app.TraceDialogOpen();
    QVERIFY(trace != nullptr);
    see(QStringLiteral("trace dialog"), ShownTexts(trace));
    QSignalSpy previewed(trace, &TraceDialog::previewShown);
    QVERIFY(previewed.wait(20000));
    see(QStringLiteral("trace dialog"), ShownTexts(trace));
    for (QSlider* bar :
         {static_cast<QSlider*>(trace->SensitivityBar()), static_cast<QSlider*>(trace->DetailBar()),
          static_cast<QSlider*>(trace->ToleranceBar())}) {
        bar->setFocus();
        QTest::keyClick(bar, Qt::Key_End);
    }
    see(QStringLiteral("trace dialog"), ShownTexts(trace));
    QTest::mouseClick(trace->CancelButton(), Qt::LeftButton);
    see(QStringLiteral("message"), messages);
    // Each kind of message was met: budget, damage, refusal, page, stale vectors, nothing to export.
    QVERIFY2(messages.size() >= 9, qPrintable(messages.join(u'\n')));

    QStringList chinese;
    for (const QString& text : seen)
        if (HasHan(text)) chinese << text;
    QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join(u'\n')));
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
