// The key assignment dialog's wiring: what it shows on opening, its tab picture and
// buttons, the keys it swallows, the captured key and OK, the macro-only form, the
// on-screen keyboard without one installed, and the close at exit.

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <functional>

#include "keys/KeyTable.h"
#include "macros/Brisvane_DlgComposite.h"
#include "macros/MacroSpaceGauge.h"
#include "profiles/CurrentProfile.h"
#include "profiles/ProfileStore.h"
#include "support/FakeMainView.h"
#include "support/FakePrompts.h"
#include "ui/CPngButton.h"
#include "ui/CReportCtrl.h"
#include "ui/Language.h"
#include "ui/SkinPalette.h"
#include "ui/SkinSurface.h"

using macros::Brisvane_DlgComposite;

namespace {

const std::filesystem::path kSkins = std::filesystem::path(BRISVANE_BUILD_DIR) / "Skins";
constexpr int kButtonA = 1058;

// Runs check while the dialog's modal loop runs, then makes sure the loop ends.
void WhileOpen(Brisvane_DlgComposite& dialog, std::function<void()> check) {
    QTimer::singleShot(0, &dialog, [&dialog, check] {
        check();
        if (dialog.isVisible())
            dialog.reject();
    });
}

} // namespace

class TestCompositeDialog : public QObject {
    Q_OBJECT

public slots:
    void OpenUrl(const QUrl& url) { opened_.push_back(url); }

private slots:
    void initTestCase() {
        ui::InstallSkinFonts();
        QVERIFY(QFile::exists(QString::fromStdString((kSkins / "Composite.ini").string())));
        QVERIFY(profiles::InitProfileStore() == 1);
    }

    void init() {
        QVERIFY(dir_.isValid());
        SetLanguage(1);
        std::lock_guard lock(profiles::GetProfileStore().lock);
        for (auto& block : profiles::GetProfileStore().image->blocks)
            for (auto& e : block)
                e.kind = 0, e.value = 0;
        main_ = FakeMainView{};
        prompts_ = FakePrompts{};
    }

    void opensBesideTheKeyOnTheKeyTab() {
        QWidget window;
        window.resize(600, 300);
        auto* key = new QWidget(&window);
        key->setGeometry(100, 60, 40, 40);
        window.show();
        auto dialog = Make([key](int id) { return id == kButtonA ? key : nullptr; });
        WhileOpen(*dialog, [&] {
            QVERIFY(dialog->isVisible());
            QCOMPARE(main_.editingLooks.front(), std::make_pair(kButtonA, true));
            QCOMPARE(dialog->OpenCount(), 1);
            // Below and right of the key: its bottom-right corner is the dialog's top-left.
            const QPoint corner = key->mapToGlobal(QPoint(key->width(), key->height()));
            QCOMPARE(dialog->pos(), corner);
            QVERIFY(dialog->Control(Brisvane_DlgComposite::kKeyEdit)->isVisible());
            QVERIFY(!dialog->Control(Brisvane_DlgComposite::kMediaList)->isVisible());
            QVERIFY(dialog->ImageButton(Brisvane_DlgComposite::kTabKey)->Latched());
            QCOMPARE(dialog->TabPictureSurface(), Surface("key_normal.jpg"));
            QCOMPARE(dialog->ImageButton(Brisvane_DlgComposite::kTabKey)->text(),
                     QStringLiteral("Single Key"));
            QCOMPARE(dialog->ImageButton(Brisvane_DlgComposite::kClear)->TooltipText(),
                     QStringLiteral("Restore the key's default function"));
            auto* media =
                static_cast<QComboBox*>(dialog->Control(Brisvane_DlgComposite::kMediaList));
            auto* functions =
                static_cast<QComboBox*>(dialog->Control(Brisvane_DlgComposite::kFunctionList));
            QCOMPARE(media->count(), int(keys::kMediaFunctionCount));
            QCOMPARE(functions->count(), 11);
            QCOMPARE(functions->itemText(4), QStringLiteral("Copy"));
            QVERIFY(dialog->Capturing());
        });
        QCOMPARE(dialog->OpenForKey(kButtonA), int(QDialog::Rejected));
        QCOMPARE(dialog->OpenCount(), 0);
        QCOMPARE(main_.editingLooks.back(), std::make_pair(kButtonA, false));
        QVERIFY(!dialog->Capturing());
    }

    void unknownButtonOpensNothing() {
        auto dialog = Make();
        QCOMPARE(dialog->OpenForKey(1016), -1);
        QVERIFY(main_.editingLooks.empty());
    }

    void enterAndEscapeKeepItOpenAndOkApplies() {
        auto dialog = Make();
        WhileOpen(*dialog, [&] {
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
            QTest::keyClick(dialog.get(), Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            // B pressed: virtual key 'B' with its scan code.
            QVERIFY(dialog->OnKeyMessage(0x42, 0x30u << 16));
            QCOMPARE(dialog->KeyText(), QStringLiteral("B"));
            QVERIFY(dialog->ImageButton(Brisvane_DlgComposite::kApply)->isEnabled());
            dialog->ImageButton(Brisvane_DlgComposite::kOk)->click();
            QVERIFY(!dialog->isVisible());
        });
        QCOMPARE(dialog->OpenForKey(kButtonA), int(QDialog::Accepted));
        const auto& e = profiles::GetProfileStore().image->blocks[0][0x1E];
        QCOMPARE(int(e.kind), 2);
        QCOMPARE(e.value, 0x30u);
        QVERIFY(main_.applyPending);
        QCOMPARE(dialog->OpenCount(), 0);
    }

    void tabButtonsSwitchThePicture() {
        auto dialog = Make();
        WhileOpen(*dialog, [&] {
            dialog->ImageButton(Brisvane_DlgComposite::kTabMedia)->click();
            QCOMPARE(dialog->TabPictureSurface(), Surface("media_normal.jpg"));
            QVERIFY(dialog->Control(Brisvane_DlgComposite::kMediaList)->isVisible());
            QVERIFY(!dialog->Control(Brisvane_DlgComposite::kKeyEdit)->isVisible());
            QVERIFY(!dialog->Capturing());
            auto* media =
                static_cast<QComboBox*>(dialog->Control(Brisvane_DlgComposite::kMediaList));
            media->setCurrentIndex(5);
            QCOMPARE(dialog->Model().EditKind(), 7);
            dialog->ImageButton(Brisvane_DlgComposite::kTabMacro)->click();
            QCOMPARE(dialog->TabPictureSurface(), Surface("macro_normal.jpg"));
            QVERIFY(dialog->Control(Brisvane_DlgComposite::kMacroList)->isVisible());
            QVERIFY(dialog->ImageButton(Brisvane_DlgComposite::kRecord)->isVisible());
            dialog->ImageButton(Brisvane_DlgComposite::kTabFunction)->click();
            QCOMPARE(dialog->TabPictureSurface(), Surface("function_normal.jpg"));
            QVERIFY(!dialog->ImageButton(Brisvane_DlgComposite::kRecord)->isVisible());
        });
        dialog->OpenForKey(kButtonA);
    }

    void macroOnlyButton() {
        auto dialog = Make();
        WhileOpen(*dialog, [&] {
            QCOMPARE(dialog->TabPictureSurface(), Surface("macro_normal.jpg"));
            for (int id : {Brisvane_DlgComposite::kTabKey, Brisvane_DlgComposite::kTabMedia,
                           Brisvane_DlgComposite::kTabFunction, Brisvane_DlgComposite::kClear}) {
                QVERIFY(!dialog->ImageButton(id)->isEnabled());
                QVERIFY(dialog->ImageButton(id)->text().isEmpty() ||
                        id == Brisvane_DlgComposite::kClear);
            }
            QCOMPARE(dialog->ImageButton(Brisvane_DlgComposite::kTabKey)->CurrentFace(),
                     ui::Face::Disabled);
            QVERIFY(dialog->ImageButton(Brisvane_DlgComposite::kTabMacro)->isEnabled());
            QCOMPARE(
                static_cast<QLabel*>(dialog->Control(Brisvane_DlgComposite::kSettingLabel))->text(),
                QStringLiteral("Macro Editor"));
        });
        dialog->OpenForKey(1143);
        // The next key opens with every tab again.
        WhileOpen(*dialog, [&] {
            QVERIFY(dialog->ImageButton(Brisvane_DlgComposite::kTabKey)->isEnabled());
            QCOMPARE(dialog->ImageButton(Brisvane_DlgComposite::kTabKey)->text(),
                     QStringLiteral("Single Key"));
        });
        dialog->OpenForKey(1000);
    }

    void onScreenKeyboardMissingIsExplained() {
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", dir_.path().toUtf8());
        auto dialog = Make();
        WhileOpen(*dialog, [&] {
            dialog->ImageButton(Brisvane_DlgComposite::kOsk)->click();
            QVERIFY(dialog->isVisible());
        });
        dialog->OpenForKey(kButtonA);
        qputenv("PATH", path);
        QCOMPARE(prompts_.messages.size(), size_t(1));
        QVERIFY(QString::fromStdU16String(prompts_.messages[0]).contains("matchbox-keyboard"));
    }

    void onScreenKeyboardFirstOnPathIsStarted() {
        // florence before matchbox-keyboard; onboard is not there.
        const QString bin = dir_.filePath("bin");
        QVERIFY(QDir().mkpath(bin));
        const QString started = dir_.filePath("started");
        for (const char* name : {"florence", "matchbox-keyboard"}) {
            QFile script(bin + "/" + name);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write(QByteArray("#!/bin/sh\necho ") + name + " > '" + started.toUtf8() + "'\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.toUtf8());
        auto dialog = Make();
        WhileOpen(*dialog, [&] {
            dialog->ImageButton(Brisvane_DlgComposite::kOsk)->click();
            QVERIFY(dialog->isVisible());
        });
        dialog->OpenForKey(kButtonA);
        qputenv("PATH", path);
        QTRY_VERIFY(QFile::exists(started));
        QFile marker(started);
        QVERIFY(marker.open(QIODevice::ReadOnly));
        QCOMPARE(marker.readAll().trimmed(), QByteArray("florence"));
        QVERIFY(prompts_.messages.empty());
    }

    void f1OpensTheHelp() {
        QDesktopServices::setUrlHandler("file", this, "OpenUrl");
        auto dialog = Make();
        WhileOpen(*dialog, [&] {
            dialog->ImageButton(Brisvane_DlgComposite::kTabMedia)->click();
            QTest::keyClick(dialog.get(), Qt::Key_F1);
            QVERIFY(dialog->isVisible());
        });
        dialog->OpenForKey(kButtonA);
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(opened_.size(), size_t(1));
        QCOMPARE(opened_[0].toLocalFile(), dir_.filePath("index.html"));
    }

    void chineseTexts() {
        SetLanguage(0);
        auto dialog = Make();
        WhileOpen(*dialog, [&] {
            QCOMPARE(dialog->ImageButton(Brisvane_DlgComposite::kTabKey)->text(),
                     QString::fromUtf8("单键"));
            QCOMPARE(dialog->ImageButton(Brisvane_DlgComposite::kOk)->text(),
                     QString::fromUtf8("确定"));
        });
        dialog->OpenForKey(kButtonA);
    }

    void namedFontsAreTheClosestInstalled() {
        for (const char* face : {"Tahoma", "Verdana"})
            QCOMPARE(QFontInfo(QFont(face)).family(), QStringLiteral("DejaVu Sans"));
    }

    void missingPictureEndsTheProgramSilently() {
        const QString skins = dir_.filePath("Skins");
        QVERIFY(QDir().mkpath(skins));
        for (const QString& name :
             QDir(QString::fromStdString(kSkins.string())).entryList(QDir::Files))
            QVERIFY(QFile::copy(QString::fromStdString((kSkins / name.toStdString()).string()),
                                skins + "/" + name));
        QVERIFY(QFile::remove(skins + "/macro2_over.jpg"));
        QProcess probe;
        probe.start(QCoreApplication::applicationFilePath(), {"--open-with-skins", skins});
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 0);
        QVERIFY(!probe.readAllStandardOutput().contains("survived"));
    }

    void closeIfOpenCancels() {
        auto dialog = Make();
        QTimer::singleShot(0, dialog.get(), [&] { QVERIFY(dialog->CloseIfOpen()); });
        QCOMPARE(dialog->OpenForKey(kButtonA), int(QDialog::Rejected));
        QCOMPARE(dialog->OpenCount(), 0);
        QVERIFY(dialog->CloseIfOpen());
    }

    // The macro tab's controls follow the model: a macro added, Record locking the list,
    // keys recorded into the action list, a delay edited in place and rounded down.
    void macroTabRecordsAndEditsInPlace() {
        auto dialog = Make();
        WhileOpen(*dialog, [&] {
            using D = Brisvane_DlgComposite;
            dialog->ImageButton(D::kTabMacro)->click();
            auto* actions = static_cast<ui::CReportCtrl*>(dialog->Control(D::kActionList));
            auto* list = static_cast<QComboBox*>(dialog->Control(D::kMacroList));
            QVERIFY(!dialog->ImageButton(D::kRecord)->isEnabled()); // no macro yet
            dialog->ImageButton(D::kMacroAdd)->click();
            QCOMPARE(list->count(), 1);
            QCOMPARE(list->currentText(), QString("Macro1"));
            QVERIFY(dialog->ImageButton(D::kRecord)->isEnabled());
            const QString gauge =
                static_cast<macros::MacroSpaceGauge*>(dialog->Control(D::kMacroSpace))->Text();
            QVERIFY2(gauge.contains("no keyboard"), qPrintable(gauge));

            dialog->ImageButton(D::kRecord)->click();
            QVERIFY(dialog->Capturing());
            QCOMPARE(dialog->ImageButton(D::kRecord)->text(), QString("Stop Recording"));
            QVERIFY(!list->isEnabled());
            QVERIFY(!dialog->ImageButton(D::kMacroAdd)->isEnabled());
            QVERIFY(dialog->OnKeyMessage(0x41, 0x1Eu << 16 | 1, 100));
            QVERIFY(dialog->OnKeyMessage(0x41, 0xC0000001u | 0x1Eu << 16, 220));
            dialog->ImageButton(D::kRecord)->click();
            QVERIFY(!dialog->Capturing());
            QCOMPARE(dialog->ImageButton(D::kRecord)->text(), QString("Record"));
            QVERIFY(list->isEnabled());
            QCOMPARE(actions->GetItemCount(), 2);
            QCOMPARE(actions->GetItemText(0, 0), QString("A"));
            QCOMPARE(actions->GetItemText(1, 1), QString::fromUtf16(u"  \u2191"));
            QCOMPARE(actions->GetItemText(0, 2), QString("50"));

            // A delay typed into the cell: 1234 is kept as 1230.
            const QModelIndex cell = actions->model()->index(0, 2);
            actions->setCurrentIndex(cell);
            actions->edit(cell);
            auto* editor = actions->viewport()->findChild<QLineEdit*>();
            QVERIFY(editor);
            editor->setText("1234");
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_COMPARE(actions->GetItemText(0, 2), QString("1230"));
            QVERIFY(dialog->ImageButton(D::kRecord)->isEnabled());
        });
        dialog->OpenForKey(kButtonA);
    }

    // Pictures of the dialog for a person to look at, when asked for.
    void screenshots() {
        const QByteArray out = qgetenv("COMPOSITE_SHOTS");
        if (out.isEmpty())
            QSKIP("COMPOSITE_SHOTS names no folder");
        for (int language : {1, 0}) {
            SetLanguage(language);
            const QString tag = language == 1 ? "en" : "zh";
            for (int tab : {0, 1, 2, 3, 4}) {
                auto dialog = Make();
                WhileOpen(*dialog, [&, tab] {
                    const int ids[] = {0, Brisvane_DlgComposite::kTabMacro,
                                       Brisvane_DlgComposite::kTabMedia,
                                       Brisvane_DlgComposite::kTabFunction, 0};
                    if (ids[tab])
                        dialog->ImageButton(ids[tab])->click();
                    if (tab == 0)
                        dialog->OnKeyMessage(0xA2, 0x1Du << 16);
                    dialog->grab().save(QString("%1/composite_%2_%3.png")
                                            .arg(QString::fromUtf8(out), tag)
                                            .arg(tab));
                });
                dialog->OpenForKey(tab == 4 ? 1143 : kButtonA);
            }
        }
    }

private:
    std::unique_ptr<Brisvane_DlgComposite> Make(std::function<QWidget*(int)> buttonOf = {}) {
        macros::CompositeFiles files{kSkins / "Composite.ini", kSkins, Language(),
                                     dir_.filePath("index.html").toStdString()};
        return std::make_unique<Brisvane_DlgComposite>(nullptr, main_, prompts_, nullptr, files,
                                                       std::move(buttonOf), [] { return 0; });
    }
    std::filesystem::path Language() const {
        return std::filesystem::path(dir_.filePath("language.ini").toStdString());
    }
    void SetLanguage(int language) {
        QFile in(QString::fromStdString((kSkins / "language.ini").string()));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QByteArray text = in.readAll();
        text.replace("language=1", "language=" + QByteArray::number(language));
        QFile out(dir_.filePath("language.ini"));
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(text);
        out.close();
        ui::LoadLanguageTable(Language());
    }
    static const QImage* Surface(const char* name) {
        // Surfaces are made once per picture: this is the one the dialog took.
        return ui::SkinSurface(kSkins / name, {});
    }

    QTemporaryDir dir_;
    std::vector<QUrl> opened_;
    FakeMainView main_;
    FakePrompts prompts_;
};

// With "--open-with-skins DIR": opens the dialog once on that skin folder and says
// "survived" if the program is still running afterwards.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--open-with-skins") {
        profiles::InitProfileStore();
        const std::filesystem::path skins(argv[2]);
        FakeMainView main;
        FakePrompts prompts;
        Brisvane_DlgComposite dialog(nullptr, main, prompts, nullptr,
                                     {skins / "Composite.ini", skins, skins / "language.ini", {}},
                                     {}, [] { return 0; });
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.reject(); });
        dialog.OpenForKey(kButtonA);
        std::printf("survived\n");
        return 1;
    }
    TestCompositeDialog test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestCompositeDialog.moc"
