// Windows on the screen: run on an offscreen screen of 1920 x 1080
// (tests/ui/screen_1920.json), the size of a common desktop.

#include <QApplication>
#include <QScreen>
#include <QtTest>

#include "app/ui/main_window.h"
#include "tests/support/main_window_fixture.h"

namespace tv {
namespace {

using test::Program;

class ScreenPlacementTest : public QObject {
    Q_OBJECT

  private slots:
    void theScreenIsTheConfiguredOne() {
        QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1920, 1080));
    }

    // Every window shown at start lies wholly on a screen: at the first start,
    // and when the stored place is off every screen or over an edge.
    void everyWindowShownAtStartIsOnAScreen() {
        const auto allOnScreen = [] {
            QStringList off;
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (!window->isVisible()) continue;
                const QRect frame = window->frameGeometry();
                bool inside = false;
                for (const QScreen* screen : QGuiApplication::screens())
                    inside = inside || screen->availableGeometry().contains(frame);
                if (!inside)
                    off << window->objectName() + QStringLiteral(" ") +
                               QStringLiteral("%1,%2 %3x%4")
                                   .arg(frame.x())
                                   .arg(frame.y())
                                   .arg(frame.width())
                                   .arg(frame.height());
            }
            return off.join(QStringLiteral("; "));
        };
        Program program;
        program.Start();
        QCOMPARE(allOnScreen(), QString());
        program.form->setGeometry(-500, -13, 700, 500);
        QVERIFY(program.Close());
        program.Start();
        QCOMPARE(allOnScreen(), QString());
        program.form->setGeometry(5000, 4000, 700, 500);  // a screen that is gone
        QVERIFY(program.Close());
        program.Start();
        QCOMPARE(allOnScreen(), QString());
    }

};

}  // namespace
}  // namespace tv

QTEST_MAIN(tv::ScreenPlacementTest)
#include "screen_placement_test.moc"
