// The options of the CAD-ready export: unit, dpi (the picture's own shown
// beside it), tolerance, fitting of arcs and circles, turning the drawing
// back by the scan's skew, and the DXF version.
// The choices persist in the settings under "cad/".
#pragma once

#include <QDialog>

#include "docview/cad_settings.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSettings;

namespace lintra {

class CadOptionsDialog : public QDialog {
    Q_OBJECT
public:
    CadOptionsDialog(const PictureGeometry& picture, const CadExportSettings& settings, QWidget* parent);

    CadExportSettings Settings() const;

    QComboBox* UnitBox() const { return m_unit; }
    QDoubleSpinBox* DpiBox() const { return m_dpi; }
    QCheckBox* OwnDpiBox() const { return m_ownDpi; }
    QDoubleSpinBox* ToleranceBox() const { return m_tolerance; }
    QCheckBox* FitBox() const { return m_fit; }
    QCheckBox* DeskewBox() const { return m_deskew; }
    QComboBox* VersionBox() const { return m_version; }

private:
    void UpdateDpi();

    QComboBox* m_unit;
    QCheckBox* m_ownDpi;
    QDoubleSpinBox* m_dpi;
    QDoubleSpinBox* m_tolerance;
    QCheckBox* m_fit;
    QCheckBox* m_deskew;
    QComboBox* m_version;
    double m_fileDpi;  // 0 when the picture has no resolution
};

// The settings stored under "cad/", or the defaults.
CadExportSettings LoadCadSettings(QSettings& settings);
void SaveCadSettings(QSettings& settings, const CadExportSettings& cad);

}  // namespace lintra
