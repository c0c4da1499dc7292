#include "docview/param_reporter.h"

namespace lintra {

ParamReporter::ParamReporter(std::function<void(int)> send) : m_send(std::move(send)) {}

bool ParamReporter::ReportFull(int position) {
    return Report(position, true);
}

bool ParamReporter::ReportShort(int position) {
    return Report(position, false);
}

bool ParamReporter::Report(int position, bool full) {
    if (position == m_lastPos) return false;
    if (full) m_strValue = std::to_string(position);
    if (m_send) m_send(position);
    m_lastPos = position;
    return true;
}

}  // namespace lintra
