// The about box: the icon, the program's name and version, its date, a
// picture and three labelled lines, closed by "确定" or Escape.
#pragma once

#include <QDialog>

namespace lintra {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace lintra
