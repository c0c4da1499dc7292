// The history panel: a dock listing the picture as opened and every step of
// the undo history with its values, the current one selected and the ones
// that could be redone greyed; clicking a row goes back (or forward) to it.
// A button copies the steps as a lintra-batch command line.
#pragma once

#include <QDockWidget>
#include <QString>

class QListWidget;
class QPushButton;

namespace lintra {

class UndoHistory;

class HistoryDock : public QDockWidget {
    Q_OBJECT
public:
    explicit HistoryDock(QWidget* parent = nullptr);

    // Lists history again; picturePath is the file the command line opens.
    void Show(const UndoHistory& history, const QString& picturePath, bool hasPicture);

    QListWidget* List() const { return m_list; }
    QPushButton* CopyButton() const { return m_copy; }

    // What the history list shows for a step: the command's menu label
    // (for a trackbar position, the label of the command it re-applies) and
    // its values.
    static QString StepText(int id, const std::vector<int>& values);

signals:
    // A row was clicked: go to the state after position steps.
    void positionChosen(int position);

private:
    QListWidget* m_list = nullptr;
    QPushButton* m_copy = nullptr;
    QString m_commandLine;
};

}  // namespace lintra
