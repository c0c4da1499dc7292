// The program's name as the window titles, message boxes and the about box
// show it (the one definition is the core's kAppTitle).
#pragma once

#include <QString>

#include "base/message_sink.h"

namespace lintra {

inline QString AppTitle() {
    return QString::fromUtf8(kAppTitle);
}

}  // namespace lintra
