#pragma once

// The About box: the program's icon, two lines from the language file and a link, shown
// modeless and once at a time.

#include <QDialog>
#include <filesystem>
#include <functional>

class QAbstractButton;
class QLabel;

namespace ui {
class CHyperLink;
}

namespace app {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(std::filesystem::path languageFile, QString link, std::function<void()> openHelp);

    // Shows the box with fresh texts; does nothing while it is open.
    void Open();
    bool IsOpen() const { return open_; }
    // Closes it as cancelled (program end).
    void Cancel();
    // GUANYU_JIESHAO and GUANYU_BANQUAN from the window-text section, " " when missing, and
    // the OK button's label.
    void LoadAboutTexts();

    QString FirstLine() const;
    QString SecondLine() const;
    QString OkText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    std::filesystem::path languageFile_;
    std::function<void()> openHelp_;
    QLabel* first_ = nullptr;  // 1206
    QLabel* second_ = nullptr; // 1205
    ui::CHyperLink* link_ = nullptr;
    QAbstractButton* ok_ = nullptr;
    bool open_ = false;
};

} // namespace app
