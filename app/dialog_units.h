// Dialog templates are laid out in dialog units: a quarter of the font's
// average character width across, an eighth of its height down. This maps
// a template rectangle to pixels for the font the dialog actually uses.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRect>

namespace lintra {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font) {
        QFontMetrics metrics(font);
        // The average over the Latin letters, rounded as the template
        // convention does, so the units do not depend on the CJK glyphs.
        int letters =
            metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        m_baseX = qMax(1, (letters / 26 + 1) / 2);
        m_baseY = qMax(1, metrics.height());
    }
    int X(int units) const { return units * m_baseX / 4; }
    int Y(int units) const { return units * m_baseY / 8; }
    QRect Rect(int x, int y, int width, int height) const { return {X(x), Y(y), X(width), Y(height)}; }

private:
    int m_baseX = 1;
    int m_baseY = 1;
};

}  // namespace lintra
