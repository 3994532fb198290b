#pragma once

// A link text: a hand cursor over it, underlined while the mouse rests on it, and a click
// that opens its target with the desktop's handler.

#include <QLabel>
#include <QUrl>

#include <functional>

namespace ui {

class CHyperLink : public QLabel {
    Q_OBJECT
public:
    using Opener = std::function<bool(const QUrl&)>;

    explicit CHyperLink(QWidget* parent = nullptr);

    void SetURL(const QString& target);
    QString URL() const { return target_; }
    void SetLinkText(const QString& text);
    bool Visited() const { return visited_; }
    // How the target is opened; the desktop's default handler unless replaced.
    void SetOpener(Opener opener) { opener_ = std::move(opener); }

signals:
    void Opened(const QString& target);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Restyle();

    QString target_;
    bool visited_ = false;
    bool hover_ = false;
    Opener opener_;
};

} // namespace ui
