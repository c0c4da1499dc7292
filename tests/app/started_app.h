// The desktop program as its tests start it: from the build's program
// folder, with no message box left waiting for anyone (each message's text
// goes to onMessage instead), its window shown.
#pragma once

#include <QString>
#include <QTest>
#include <functional>

#include "app/lintra_app.h"
#include "app/main_frame.h"

namespace lintra::test {

// False when the program does not start or its window does not show.
[[nodiscard]] inline bool StartUnattended(CLintraApp& app,
                                          const std::function<void(const QString&)>& onMessage) {
    StartOptions options;
    options.programDirectory = QStringLiteral(LINTRA_BIN_DIR);
    if (!app.InitInstance(options)) return false;
    app.SetUnattended(true);
    QObject::connect(&app, &CLintraApp::messageShown, onMessage);
    return QTest::qWaitForWindowExposed(&app.Frame());
}

}  // namespace lintra::test
