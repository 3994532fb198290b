#include "macros/MacroSpaceGauge.h"

#include <QPainter>

#include <algorithm>

namespace macros {

namespace {

constexpr int kBarHeight = 5;

QColor BarColour(SpaceGauge::State state) {
    switch (state) {
    case SpaceGauge::State::Fits:
        return {86, 178, 96};
    case SpaceGauge::State::NamesDropped:
        return {230, 160, 40};
    case SpaceGauge::State::TooBig:
        return {222, 64, 52};
    case SpaceGauge::State::Unknown:
        break;
    }
    return {110, 114, 122};
}

} // namespace

MacroSpaceGauge::MacroSpaceGauge(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    QFont f("Tahoma");
    f.setPointSizeF(8.5);
    setFont(f);
}

void MacroSpaceGauge::Show(const SpaceGauge& gauge, const QString& text) {
    gauge_ = gauge;
    text_ = text;
    setToolTip(text);
    update();
}

void MacroSpaceGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect textRect(0, 0, width(), height() - kBarHeight - 2);
    const bool warn = gauge_.state == SpaceGauge::State::TooBig ||
                      gauge_.state == SpaceGauge::State::NamesDropped;
    p.setPen(warn ? BarColour(gauge_.state) : QColor(228, 228, 228));
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
               fontMetrics().elidedText(text_, Qt::ElideRight, width()));

    const QRect bar(0, height() - kBarHeight, width(), kBarHeight);
    p.fillRect(bar, QColor(24, 27, 32));
    p.setPen(QColor(70, 74, 82));
    p.drawRect(bar.adjusted(0, 0, -1, -1));
    if (gauge_.space > 0) {
        const double share = std::min(1.0, double(gauge_.used) / double(gauge_.space));
        const int w = std::max(1, static_cast<int>((bar.width() - 2) * share));
        p.fillRect(QRect(bar.x() + 1, bar.y() + 1, w, bar.height() - 2), BarColour(gauge_.state));
    }
}

} // namespace macros
