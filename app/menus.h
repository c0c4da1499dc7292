// Turning the command table's menu labels into Qt menu texts. The table
// keeps the labels as the resource states them ("打开...\tCtrl+O(&O)"): the
// key after the tab is a hint for the reader, and the mnemonic follows it.
#pragma once

#include <QString>
#include <string_view>

namespace lintra {

struct QtMenuText {
    QString text;     // the label Qt shows, mnemonic kept: "打开...(&O)"
    QString keyHint;  // the key text the label carried after its tab: "Ctrl+O"
};

// Splits label, in the program's language, at its tab: the text before it plus a trailing "(&X)"
// mnemonic, and the key text in between. A label without a tab is kept
// unchanged.
QtMenuText ToQtMenuText(std::string_view label);

// A menu-bar title as Qt shows it, in the program's language: a mnemonic marker written after its
// letter ("处理第二步(S&)") is moved before it ("处理第二步(&S)"), so Alt and
// the letter open the menu and the visible text stays the same.
QString ToQtMenuTitle(std::string_view title);

// The status-bar prompt and the tool tip of a command, from its row of the
// command table ("long prompt\ntool tip") in the program's language; empty
// strings when it has none.
struct CommandPrompt {
    QString statusTip;
    QString toolTip;
};
CommandPrompt PromptFor(int id);

}  // namespace lintra
