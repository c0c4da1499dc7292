// The parameter dialog's check, free of any toolkit: a trackbar position is
// sent to the view only when it differs from the one last sent. The desktop
// dialog and lintra-batch both report through it.
#pragma once

#include <functional>
#include <string>

namespace lintra {

class ParamReporter {
public:
    // send delivers a position to the view and returns once the view has
    // re-applied its operation (the synchronous WM_PARAMCHANGED). An empty
    // send is a dialog without a view: positions are only remembered.
    explicit ParamReporter(std::function<void(int)> send);

    // The full form (trackbar release, key press passing through the
    // dialog): when position differs from m_lastPos, sets m_strValue to the
    // position in decimal, sends it, and remembers it. Returns true when it
    // sent; the caller then shows m_strValue in the edit box.
    bool ReportFull(int position);
    // The short form (keys sent to the dialog window itself): the same
    // check and send, without touching m_strValue.
    bool ReportShort(int position);

    int m_lastPos = 0;             // the last position reported; 0 at the start
    std::string m_strValue = "0";  // what the edit box shows

private:
    bool Report(int position, bool full);

    std::function<void(int)> m_send;
};

}  // namespace lintra
