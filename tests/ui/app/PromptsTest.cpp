// The message boxes, questions and the About box: skin colours, labels in the window
// language, No as the questions' default. With BRISVANE_BOX_PICTURES naming a folder, each
// box is also saved there as a picture.

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>

#include "app/CAboutDlg.h"
#include "app/QtPrompts.h"
#include "ui/SkinPalette.h"

namespace {

constexpr const char* kLanguageFile = "[LANGUAGE]\n"
                                      "language=%1\n"
                                      "[ENGINSH]\n"
                                      "MSGBOX_OK=OK\nMSGBOX_YES=&Yes\nMSGBOX_NO=&No\n"
                                      "GUANYU_JIESHAO=About text\n"
                                      "GUANYU_BANQUAN=Copyright line\n"
                                      "[CHINESE]\n"
                                      "MSGBOX_OK=确定\nMSGBOX_YES=是(&Y)\nMSGBOX_NO=否(&N)\n"
                                      "MSGBOX_REPLACE=%s 已存在，要替换它吗？\n"
                                      "GUANYU_JIESHAO=关于\n"
                                      "GUANYU_BANQUAN=版权\n";

QColor SkinWindowColour() {
    QWidget reference;
    ui::ApplySkinPalette(reference);
    return reference.palette().color(QPalette::Window);
}

void SavePicture(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("BRISVANE_BOX_PICTURES");
    if (!folder.isEmpty())
        window.grab().save(folder + "/" + name + ".png");
}

} // namespace

class PromptsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    std::filesystem::path LanguageFile(int language) {
        const auto file = std::filesystem::path(dir_.path().toStdString()) /
                          ("language" + std::to_string(language) + ".ini");
        std::ofstream(file) << QString(kLanguageFile).arg(language).toStdString();
        return file;
    }

    // Runs fn on the modal window of type T once its own loop shows it; fn must close it.
    template <class T> static void WhenOpens(std::function<void(T&)> fn) {
        QTimer::singleShot(10, [fn] {
            auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!window) {
                WhenOpens<T>(fn);
                return;
            }
            fn(*window);
        });
    }
    // Types the file's name into the dialog, in the file's folder: the dialog's own
    // selection follows its folder's listing, which comes later.
    static void Type(QFileDialog& dialog, const QString& file) {
        dialog.setDirectory(QFileInfo(file).absolutePath());
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(QFileInfo(file).fileName());
    }
    static void WhenBoxOpens(std::function<void(QMessageBox&)> fn) { WhenOpens<QMessageBox>(fn); }

private slots:
    void questionIsSkinnedInTheLanguageAndEnterAnswersNo_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("yes");
        QTest::addColumn<QString>("no");
        QTest::newRow("English") << 1 << "&Yes"
                                 << "&No";
        QTest::newRow("Chinese") << 0 << "是(&Y)"
                                 << "否(&N)";
    }
    void questionIsSkinnedInTheLanguageAndEnterAnswersNo() {
        QFETCH(int, language);
        QFETCH(QString, yes);
        QFETCH(QString, no);
        app::QtPrompts prompts(nullptr, LanguageFile(language));
        QString shownYes, shownNo;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QColor window;
        WhenBoxOpens([&](QMessageBox& box) {
            shownYes = box.button(QMessageBox::Yes)->text();
            shownNo = box.button(QMessageBox::No)->text();
            defaultButton = box.standardButton(box.defaultButton());
            window = box.palette().color(QPalette::Window);
            SavePicture(box, QStringLiteral("question-%1").arg(language));
            QTest::keyClick(&box, Qt::Key_Return);
        });
        QVERIFY(!prompts.AskYesNo(u"Do you want to restore the default settings?"));
        QCOMPARE(shownYes, yes);
        QCOMPARE(shownNo, no);
        QCOMPARE(defaultButton, QMessageBox::No);
        QCOMPARE(window, SkinWindowColour());
    }

    void plainWindowsButtonsLoseTheStylesIcons() {
        // Some styles put green and red dots on Yes and No: not the skin's look.
        QDialog window;
        QPixmap dot(8, 8);
        dot.fill(Qt::green);
        auto* button = new QPushButton(QIcon(dot), QStringLiteral("Yes"), &window);
        ui::ApplySkinToPlainWindow(window);
        QVERIFY(button->icon().isNull());
        QCOMPARE(window.palette().color(QPalette::Window), SkinWindowColour());
    }

    void yesAnswersTrue() {
        app::QtPrompts prompts(nullptr, LanguageFile(0));
        WhenBoxOpens([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
        QVERIFY(prompts.AskYesNo(u"?"));
    }

    void messageIsSkinnedWithOkInTheLanguage() {
        app::QtPrompts prompts(nullptr, LanguageFile(0));
        QString ok;
        QColor window;
        WhenBoxOpens([&](QMessageBox& box) {
            ok = box.button(QMessageBox::Ok)->text();
            window = box.palette().color(QPalette::Window);
            SavePicture(box, QStringLiteral("message-0"));
            box.button(QMessageBox::Ok)->click();
        });
        prompts.Inform(u"未检测到键盘，无法显示按键设置。", ui::MessageKind::Plain);
        QCOMPARE(ok, QStringLiteral("确定"));
        QCOMPARE(window, SkinWindowColour());
    }

    void replacingAFileIsAskedInTheLanguageAndNoGoesBackToTheDialog() {
        const QString existing = dir_.filePath(QStringLiteral("mine.bvx"));
        std::ofstream(existing.toStdString()) << "x";
        app::QtPrompts prompts(nullptr, LanguageFile(0));
        const ui::FileChoice save{.save = true,
                                  .confirmOverwrite = true,
                                  .defaultExtension = u"bvx",
                                  .initialName = u"*.bvx",
                                  .filter = u"(*.bvx)|*.bvx||",
                                  .directory = {}};
        int dialogs = 0;
        QString question;
        // The dialog picks the file; the question comes; No brings the dialog back, whose
        // Cancel ends the choice.
        std::function<void(QFileDialog&)> pick = [&](QFileDialog& dialog) {
            if (++dialogs == 2) {
                dialog.reject();
                return;
            }
            Type(dialog, existing);
            WhenBoxOpens([&](QMessageBox& box) {
                question = box.text();
                box.button(QMessageBox::No)->click();
                WhenOpens<QFileDialog>(pick);
            });
            QMetaObject::invokeMethod(&dialog, "accept");
        };
        WhenOpens<QFileDialog>(pick);
        QVERIFY(!prompts.ChooseFile(save).has_value());
        QCOMPARE(dialogs, 2);
        QCOMPARE(question, QStringLiteral("mine.bvx 已存在，要替换它吗？"));

        WhenOpens<QFileDialog>([&](QFileDialog& dialog) {
            Type(dialog, existing);
            WhenBoxOpens([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
            QMetaObject::invokeMethod(&dialog, "accept");
        });
        const auto chosen = prompts.ChooseFile(save);
        QVERIFY(chosen.has_value());
        QCOMPARE(QString::fromStdString(chosen->string()), existing);
    }

    void aboutBoxIsTitledWithTheProductAndFollowsTheLanguage() {
        const auto file = LanguageFile(0);
        app::CAboutDlg about(file, QStringLiteral("https://quandril.example/brisvane"), {});
        about.Open();
        QCOMPARE(about.windowTitle(), QStringLiteral("Brisvane"));
        QCOMPARE(about.SecondLine(), QStringLiteral("版权"));
        QCOMPARE(about.OkText(), QStringLiteral("确定"));
        QCOMPARE(about.palette().color(QPalette::Window), SkinWindowColour());
        SavePicture(about, QStringLiteral("about-0"));
        about.Cancel();

        // Opened again after the language changed: the new texts, the same title.
        std::ofstream(file) << QString(kLanguageFile).arg(1).toStdString();
        about.Open();
        QCOMPARE(about.OkText(), QStringLiteral("OK"));
        QCOMPARE(about.SecondLine(), QStringLiteral("Copyright line"));
        QCOMPARE(about.windowTitle(), QStringLiteral("Brisvane"));
        SavePicture(about, QStringLiteral("about-1"));
        about.Cancel();
    }
};

QTEST_MAIN(PromptsTest)
#include "PromptsTest.moc"
