// The colour dialog: trying colours on the test tabs, applying them to the list
// tabs, and keeping them across a restart.

#include <QComboBox>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "app/ui/main_window.h"
#include "catalogue/ui/song_grid.h"
#include "settings/ini_file.h"
#include "settings/ui/colour_dialog.h"
#include "tests/support/main_window_fixture.h"
#include "widgets/ui/coloured_tab_widget.h"

using namespace tv;
using namespace tv::test;

namespace {

void WhileOpen(TColorDlg* dialog, const std::function<void()>& work) {
    bool ran = false;
    QTimer::singleShot(0, dialog, [&] {
        QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), 5000);
        work();
        ran = true;
    });
    static_cast<TForm1*>(dialog->parentWidget())->Farben1Click();
    QVERIFY(ran);
}

}  // namespace

class ColourDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void coloursAreTriedAppliedAndKept() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        TColorDlg* dialog = form.ColorDlg();
        WhileOpen(dialog, [&] {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Farbeinstellung"));
            QCOMPARE(dialog->TestCaption(2), QStringLiteral("Playlist"));
            // Every title shows whole, side by side.
            QTabBar* bar = dialog->TestTabs()->tabBar();
            for (int i = 0; i < 4; ++i) {
                QVERIFY2(bar->rect().contains(bar->tabRect(i)), qPrintable(dialog->TestCaption(i)));
                QVERIFY(bar->tabRect(i).width() >=
                        bar->fontMetrics().horizontalAdvance(dialog->TestCaption(i)));
            }
            QCOMPARE(dialog->TestTabs()->currentIndex(), 0);
            QCOMPARE(dialog->ColorComboBox1()->currentText(), QStringLiteral("Blau"));
            QCOMPARE(dialog->ColorComboBox2()->currentText(), QStringLiteral("Weiß"));
            dialog->TestTabs()->setCurrentIndex(2);  // its pickers show its colours
            QCOMPARE(dialog->ColorComboBox1()->currentText(), QStringLiteral("Grau"));
            dialog->ColorComboBox1()->setCurrentText(QStringLiteral("Rot"));
            dialog->ColorComboBox2()->setCurrentText(QStringLiteral("Gelb"));
            QCOMPARE(dialog->TestColour(2), 0x0000FF);
            QCOMPARE(dialog->TestTextColour(2), 0x00FFFF);
            QCOMPARE(dialog->Preview(2)->palette().color(QPalette::Window), QColor(255, 0, 0));
            QCOMPARE(dialog->TestTabs()->ColouredBar()->TabColour(2), QColor(255, 0, 0));
            QCOMPARE(form.TabColor(ListKind::Playlist), 8421504);  // not yet applied
            dialog->BtnApply()->click();
        });
        QCOMPARE(form.TabColor(ListKind::Playlist), 0x0000FF);
        QCOMPARE(form.TabFontColor(ListKind::Playlist), 0x00FFFF);
        QCOMPARE(form.CPageControl()->ColouredBar()->TabColour(2), QColor(255, 0, 0));
        QCOMPARE(form.StGrdPlaylist()
                     ->model()
                     ->headerData(0, Qt::Horizontal, Qt::BackgroundRole)
                     .value<QColor>(),
                 QColor(255, 0, 0));
        // Cancel changes nothing.
        WhileOpen(dialog, [&] {
            QCOMPARE(dialog->TestColour(2), 0x0000FF);  // starts from the applied colours
            dialog->ColorComboBox1()->setCurrentText(QStringLiteral("Schwarz"));
            dialog->BtnCancel()->click();
        });
        QCOMPARE(form.TabColor(ListKind::Catalogue), 16711680);
        // Kept across a restart.
        const auto folder = program.folder.Path();
        QVERIFY(program.Close());
        QCOMPARE(IniFile::Load(folder / "SONGVAT.INI").Value("SYSTEM", "CSPlay_TabColor"),
                 std::optional<std::string>("255"));
        ScriptedPrompts prompts;
        TForm1 again(folder, prompts);
        again.show();
        QTRY_VERIFY_WITH_TIMEOUT(again.IsStartedUp(), 10000);
        QCOMPARE(again.TabFontColor(ListKind::Playlist), 0x00FFFF);
        QCOMPARE(again.StGrdPlaylist()
                     ->model()
                     ->headerData(0, Qt::Horizontal, Qt::BackgroundRole)
                     .value<QColor>(),
                 QColor(255, 0, 0));
    }
};

QTEST_MAIN(ColourDialogTest)
#include "colour_dialog_test.moc"
