// The wiring of the profile manager's and the update dialog's windows: what the list shows
// on opening, a check the user makes on a file row taken back, Delete on the selected row,
// the path shown after Open, and the buttons that close.

#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "profiles/CBrisvane_DlgProfile.h"
#include "profiles/Paths.h"
#include "profiles/ProfileSession.h"
#include "profiles/ProfileStore.h"
#include "support/FakeMainView.h"
#include "support/FakePrompts.h"
#include "ui/AppSettings.h"
#include "ui/CPngButton.h"
#include "ui/CReportCtrl.h"
#include "update/CBrisvane_DlgUpdate.h"

namespace {

const std::filesystem::path kBuild = BRISVANE_BUILD_DIR;

struct NoSettings : ui::AppSettings {
    std::u16string GetProfileString(std::u16string_view, std::u16string_view,
                                    std::u16string_view defaultValue) override {
        return std::u16string(defaultValue);
    }
    bool WriteProfileString(std::u16string_view, std::u16string_view,
                            std::u16string_view) override {
        return true;
    }
};

// Runs check while the dialog's modal loop runs, then makes sure the loop ends.
void WhileOpen(QDialog& dialog, std::function<void()> check) {
    QTimer::singleShot(0, &dialog, [&dialog, check] {
        check();
        if (dialog.isVisible())
            dialog.reject();
    });
}

} // namespace

class TestProfileUpdateDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        profiles::SetDocumentsFolder(dir_.path().toStdString());
        QVERIFY(profiles::InitProfileStore() == 1);
    }

    void theListShowsTheNamedRowsAndTakesBackACheckOnAFile() {
        profiles::CBrisvane_DlgProfile dialog(
            nullptr, {prompts_, main_, session_, settings_}, ProfileFiles(),
            [](int i) { return u"Profile " + std::u16string(1, char16_t(u'1' + i)); });
        WhileOpen(dialog, [&] {
            ui::CReportCtrl* list = dialog.List();
            QCOMPARE(list->GetItemCount(), 3);
            QCOMPARE(list->GetItemText(2, 1), QStringLiteral("Profile 3"));
            QCOMPARE(list->GetFirstItem(ui::kRowChecked), -1); // the profile is unknown
            QVERIFY(!dialog.Button(profiles::CBrisvane_DlgProfile::kApply)->isEnabled());

            prompts_.chosenFile = dir_.filePath("mine.bvx").toStdString();
            dialog.Button(profiles::CBrisvane_DlgProfile::kLoad)->click();
            QCOMPARE(list->GetItemCount(), 4);
            QCOMPARE(list->GetItemText(3, 1), QStringLiteral("mine"));
            QVERIFY(list->ExamItemStates(3, ui::kRowSelected));

            list->SetItemStates(1, ui::kRowChecked); // as a click on the box does
            QTRY_COMPARE(dialog.Model().CheckedRow(), 1);
            QVERIFY(dialog.Button(profiles::CBrisvane_DlgProfile::kApply)->isEnabled());
            list->SetItemStates(3, ui::kRowChecked);
            QTRY_VERIFY(list->ExamItemStates(1, ui::kRowChecked));
            QVERIFY(!list->ExamItemStates(3, ui::kRowChecked));
            QCOMPARE(dialog.Model().CheckedRow(), 1);

            list->SetItemStates(0, ui::kRowSelected);
            dialog.Button(profiles::CBrisvane_DlgProfile::kDelete)->click();
            QCOMPARE(list->GetItemCount(), 3);
            QCOMPARE(list->GetItemText(0, 1), QStringLiteral("Profile 2"));
            QVERIFY(list->ExamItemStates(0, ui::kRowSelected | ui::kRowChecked));

            dialog.Button(profiles::CBrisvane_DlgProfile::kCancel)->click();
        });
        dialog.Open();
        QCOMPARE(dialog.Model().OpenCount(), 0);
        QVERIFY(!dialog.ApplyEnabled());
    }

    void theUpdateDialogShowsTheChosenPathAndCancelUpdateCloses() {
        int bootLoader = 0;
        update::CBrisvane_DlgUpdate dialog(nullptr, prompts_,
                                           {kBuild / "Skins" / "UpdateDlg.ini", kBuild / "Skins",
                                            kBuild / "Skins/language.ini", kBuild / "Package"},
                                           [&] { return ++bootLoader; });
        WhileOpen(dialog, [&] {
            prompts_.chosenFile = "/opt/updaters/flash tool";
            dialog.Button(update::CBrisvane_DlgUpdate::kOpen)->click();
            QCOMPARE(dialog.ShownPath(), QStringLiteral("/opt/updaters/flash tool"));
            dialog.Button(update::CBrisvane_DlgUpdate::kUpdate)->click(); // not there
            QCOMPARE(bootLoader, 0);
            QVERIFY(dialog.isVisible());
            dialog.Button(update::CBrisvane_DlgUpdate::kCancelUpdate)->click();
            QVERIFY(!dialog.isVisible());
        });
        dialog.Open();
        QVERIFY(dialog.Model().Path().empty());
        QCOMPARE(prompts_.messages.size(), size_t{1});
    }

private:
    static profiles::ProfileDialogFiles ProfileFiles() {
        return {kBuild / "Skins" / "Profile.ini", kBuild / "Skins",
                kBuild / "Skins" / "language.ini", kBuild / "Help" / "index.html"};
    }

    QTemporaryDir dir_;
    FakePrompts prompts_;
    FakeMainView main_;
    NoSettings settings_;
    profiles::ProfileSession session_{prompts_, main_};
};

QTEST_MAIN(TestProfileUpdateDialogs)
#include "TestProfileUpdateDialogs.moc"
