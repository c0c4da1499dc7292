#include "app/cad_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "app/translations.h"

namespace lintra {

namespace {

constexpr double kMetresPerInch = 0.0254;

}  // namespace

CadOptionsDialog::CadOptionsDialog(const PictureGeometry& picture, const CadExportSettings& settings,
                                   QWidget* parent)
    : QDialog(parent),
      m_unit(new QComboBox(this)),
      m_ownDpi(new QCheckBox(this)),
      m_dpi(new QDoubleSpinBox(this)),
      m_tolerance(new QDoubleSpinBox(this)),
      m_fit(new QCheckBox(Tr("拟合直线、圆弧和圆"), this)),
      m_deskew(new QCheckBox(Tr("纠正倾斜"), this)),
      m_version(new QComboBox(this)),
      m_fileDpi(picture.xPelsPerMeter > 0 ? picture.xPelsPerMeter * kMetresPerInch : 0) {
    setWindowTitle(Tr("CAD图纸选项"));
    m_unit->addItem(Tr("像素"), QStringLiteral("px"));
    m_unit->addItem(Tr("毫米"), QStringLiteral("mm"));
    m_unit->addItem(Tr("英寸"), QStringLiteral("in"));
    m_unit->setCurrentIndex(m_unit->findData(QString::fromLatin1(UnitName(settings.options.unit))));

    m_ownDpi->setText(m_fileDpi > 0 ? Tr("用图像自身的分辨率（%1 dpi）").arg(m_fileDpi, 0, 'f', 1)
                                    : Tr("图像未记录分辨率"));
    m_ownDpi->setEnabled(m_fileDpi > 0);
    m_ownDpi->setChecked(m_fileDpi > 0 && settings.options.dpi <= 0);
    m_dpi->setRange(1, 100000);
    m_dpi->setDecimals(1);
    m_dpi->setValue(settings.options.dpi > 0 ? settings.options.dpi
                                             : (m_fileDpi > 0 ? m_fileDpi : kDefaultCadDpi));

    // The lowest value, shown as its name, lets the stroke width set it.
    m_tolerance->setRange(kAutoTolerance, 100);
    m_tolerance->setSpecialValueText(Tr("自动（按笔画宽度）"));
    m_tolerance->setDecimals(2);
    m_tolerance->setSingleStep(0.25);
    m_tolerance->setValue(settings.options.tolerance < 0 ? kAutoTolerance : settings.options.tolerance);
    m_fit->setChecked(settings.options.fit);
    m_deskew->setChecked(settings.options.deskew);
    m_deskew->setToolTip(Tr("按图中长直线测出扫描的倾斜角（至多10度），把导出的图纸转正；图像本身不变"));
    m_version->addItem(QStringLiteral("DXF R2000"));
    m_version->addItem(Tr("DXF R12（旧版读者）"));
    m_version->setCurrentIndex(settings.version == DxfVersion::R12 ? 1 : 0);

    auto* form = new QFormLayout;
    form->addRow(Tr("单位："), m_unit);
    form->addRow(QString(), m_ownDpi);
    form->addRow(Tr("分辨率(dpi)："), m_dpi);
    form->addRow(Tr("容差(像素)："), m_tolerance);
    form->addRow(QString(), m_fit);
    form->addRow(QString(), m_deskew);
    form->addRow(Tr("DXF版本："), m_version);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Tr("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Tr("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(m_unit, &QComboBox::currentIndexChanged, this, &CadOptionsDialog::UpdateDpi);
    connect(m_ownDpi, &QCheckBox::toggled, this, &CadOptionsDialog::UpdateDpi);
    UpdateDpi();
}

// The dpi matters only for millimetres and inches, and is typed only when
// the picture's own is not used.
void CadOptionsDialog::UpdateDpi() {
    const bool scaled = m_unit->currentData().toString() != QStringLiteral("px");
    m_ownDpi->setEnabled(scaled && m_fileDpi > 0);
    m_dpi->setEnabled(scaled && !(m_ownDpi->isChecked() && m_fileDpi > 0));
}

CadExportSettings CadOptionsDialog::Settings() const {
    CadExportSettings settings;
    ParseUnit(m_unit->currentData().toString().toStdString(), settings.options.unit);
    settings.options.dpi = m_ownDpi->isChecked() && m_fileDpi > 0 ? 0 : m_dpi->value();
    settings.options.tolerance = m_tolerance->value();
    settings.options.fit = m_fit->isChecked();
    settings.options.deskew = m_deskew->isChecked();
    settings.version = m_version->currentIndex() == 1 ? DxfVersion::R12 : DxfVersion::R2000;
    return settings;
}

CadExportSettings LoadCadSettings(QSettings& settings) {
    CadExportSettings cad;
    ParseUnit(settings.value(QStringLiteral("cad/unit"), QStringLiteral("px")).toString().toStdString(),
              cad.options.unit);
    cad.options.dpi = std::max(0.0, settings.value(QStringLiteral("cad/dpi"), 0.0).toDouble());
    const double tolerance = settings.value(QStringLiteral("cad/tolerance"), kAutoTolerance).toDouble();
    cad.options.tolerance = tolerance >= 0 && tolerance <= 100 ? tolerance : kAutoTolerance;
    cad.options.fit = settings.value(QStringLiteral("cad/fit"), true).toBool();
    cad.options.deskew = settings.value(QStringLiteral("cad/deskew"), false).toBool();
    cad.version = settings.value(QStringLiteral("cad/dxfVersion")).toString() == QStringLiteral("r12")
                      ? DxfVersion::R12
                      : DxfVersion::R2000;
    return cad;
}

void SaveCadSettings(QSettings& settings, const CadExportSettings& cad) {
    settings.setValue(QStringLiteral("cad/unit"), QString::fromLatin1(UnitName(cad.options.unit)));
    settings.setValue(QStringLiteral("cad/dpi"), cad.options.dpi);
    settings.setValue(QStringLiteral("cad/tolerance"), cad.options.tolerance);
    settings.setValue(QStringLiteral("cad/fit"), cad.options.fit);
    settings.setValue(QStringLiteral("cad/deskew"), cad.options.deskew);
    settings.setValue(QStringLiteral("cad/dxfVersion"),
                      cad.version == DxfVersion::R12 ? QStringLiteral("r12") : QStringLiteral("r2000"));
}

}  // namespace lintra
