// The CAD export's options dialog as a user fills it in: keys typed into its
// boxes, the unit chosen from the keyboard, OK clicked; the choices kept in
// the settings for the next time.
#include "app/cad_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace lintra;

class TestCadOptionsDialog : public QObject {
    Q_OBJECT
private slots:
    void typedChoicesComeBackAndPersist();
    void pixelsNeedNoDpiAndAPictureWithoutResolutionSaysSo();
};

namespace {
QPushButton* Button(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    return dialog.findChild<QDialogButtonBox*>()->button(which);
}
}  // namespace

void TestCadOptionsDialog::typedChoicesComeBackAndPersist() {
    // A 300-dpi picture: 11811 pixels per metre.
    CadOptionsDialog dialog({600, 400, 11811, 11811}, CadExportSettings{}, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.OwnDpiBox()->text().contains(QStringLiteral("300.0 dpi")));
    QVERIFY(!dialog.DpiBox()->isEnabled());  // pixels: no dpi to give

    // Millimetres: one step down the unit list.
    dialog.UnitBox()->setFocus();
    QTest::keyClick(dialog.UnitBox(), Qt::Key_Down);
    QCOMPARE(dialog.UnitBox()->currentData().toString(), QStringLiteral("mm"));
    QVERIFY(dialog.OwnDpiBox()->isEnabled());
    // Turn the picture's own resolution off and type 600 dpi.
    QTest::mouseClick(dialog.OwnDpiBox(), Qt::LeftButton, {}, QPoint(5, dialog.OwnDpiBox()->height() / 2));
    QVERIFY(dialog.DpiBox()->isEnabled());
    dialog.DpiBox()->setFocus();
    QTest::keyClick(dialog.DpiBox(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dialog.DpiBox(), QStringLiteral("600"));
    dialog.ToleranceBox()->setFocus();
    QTest::keyClick(dialog.ToleranceBox(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dialog.ToleranceBox(), QStringLiteral("0.5"));
    QTest::mouseClick(dialog.FitBox(), Qt::LeftButton, {}, QPoint(5, dialog.FitBox()->height() / 2));
    QVERIFY(!dialog.DeskewBox()->isChecked());
    QTest::mouseClick(dialog.DeskewBox(), Qt::LeftButton, {}, QPoint(5, dialog.DeskewBox()->height() / 2));
    dialog.VersionBox()->setFocus();
    QTest::keyClick(dialog.VersionBox(), Qt::Key_Down);
    QTest::mouseClick(Button(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    const CadExportSettings chosen = dialog.Settings();
    QCOMPARE(chosen.options.unit, cad::Unit::Millimetre);
    QCOMPARE(chosen.options.dpi, 600.0);
    QCOMPARE(chosen.options.tolerance, 0.5);
    QVERIFY(!chosen.options.fit);
    QVERIFY(chosen.options.deskew);
    QCOMPARE(chosen.version, DxfVersion::R12);

    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("lintra.ini")), QSettings::IniFormat);
    SaveCadSettings(settings, chosen);
    const CadExportSettings back = LoadCadSettings(settings);
    QCOMPARE(back.options.unit, chosen.options.unit);
    QCOMPARE(back.options.dpi, chosen.options.dpi);
    QCOMPARE(back.options.tolerance, chosen.options.tolerance);
    QCOMPARE(back.options.fit, chosen.options.fit);
    QCOMPARE(back.options.deskew, chosen.options.deskew);
    QCOMPARE(back.version, chosen.version);
    // A reopened dialog starts from them.
    CadOptionsDialog again({600, 400, 11811, 11811}, back, nullptr);
    QCOMPARE(again.Settings().options.dpi, 600.0);
    QCOMPARE(again.Settings().version, DxfVersion::R12);
    QVERIFY(again.Settings().options.deskew);
}

void TestCadOptionsDialog::pixelsNeedNoDpiAndAPictureWithoutResolutionSaysSo() {
    CadExportSettings inches;
    inches.options.unit = cad::Unit::Inch;
    CadOptionsDialog dialog({600, 400, 0, 0}, inches, nullptr);
    QCOMPARE(dialog.OwnDpiBox()->text(), QStringLiteral("图像未记录分辨率"));
    QVERIFY(!dialog.OwnDpiBox()->isEnabled());
    QVERIFY(dialog.DpiBox()->isEnabled());
    QCOMPARE(dialog.DpiBox()->value(), 300.0);
    QCOMPARE(dialog.Settings().options.dpi, 300.0);
    // Settings damaged by hand fall back to the defaults.
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("lintra.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("cad/unit"), QStringLiteral("furlongs"));
    settings.setValue(QStringLiteral("cad/tolerance"), -3);
    const CadExportSettings loaded = LoadCadSettings(settings);
    QCOMPARE(loaded.options.unit, cad::Unit::Pixel);
    QCOMPARE(loaded.options.tolerance, kAutoTolerance);
}

QTEST_MAIN(TestCadOptionsDialog)
#include "cad_options_dialog_test.moc"
