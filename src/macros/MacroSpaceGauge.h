#pragma once

// The macro tab's gauge of the keyboard's macro space: a line of text over a bar filled to
// the share the macros take, coloured by whether they fit.

#include <QWidget>

#include "macros/MacroTab.h"

namespace macros {

class MacroSpaceGauge : public QWidget {
    Q_OBJECT
public:
    explicit MacroSpaceGauge(QWidget* parent = nullptr);

    void Show(const SpaceGauge& gauge, const QString& text);
    const QString& Text() const { return text_; }
    SpaceGauge::State State() const { return gauge_.state; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SpaceGauge gauge_;
    QString text_;
};

} // namespace macros
