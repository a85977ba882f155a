// The main control panel: controls for loggers and boards, colours, status bar, leaving.
#include <QFontInfo>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "gui_helpers.h"
#include "shell/main_dialog.h"
#include "shell/screen_rules.h"
#include "support/state_guard.h"

namespace {

// Without a device: the session cannot be read and the user gives up at the first question.
class MainDialogTest : public KorvaneTest {
  protected:
    void giveUpReading() {
        ui_.expect("Errore lettura pagine !\r\nTentare di nuovo ?", "COM Error", MsgAnswer::No);
    }
};

// Pixels of `img` within `tol` of `c` in every channel.
int countNear(const QImage& img, QColor c, int tol) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            QColor p = img.pixelColor(x, y);
            n += std::abs(p.red() - c.red()) <= tol && std::abs(p.green() - c.green()) <= tol &&
                 std::abs(p.blue() - c.blue()) <= tol;
        }
    return n;
}

TEST_F(MainDialogTest, ControlsFollowTheKindOfDevice) {
    const struct {
        int mw51, vke15;
        const char* name;
    } cases[] = {{0, 0, "logger"}, {1, 0, "MW51"}, {0, 1, "VKE15"}};
    std::vector<QRect> boxes;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetState();
        giveUpReading();
        Flag.MW51 = c.mw51;
        Flag.VKE15 = c.vke15;
        Flag.skip_refresh = 1;
        const bool board = c.mw51 || c.vke15;

        DialogMain dlg;
        QString summary;
        int alarmsShown = 0;
        bool sampleTimerShown = false;
        QRect box, frame, firstRow;
        int result = runScripted(dlg, [&] {
            summary = static_cast<QPlainTextEdit*>(dlg.control(228))->toPlainText();
            for (int id : kAlarmControlIds) alarmsShown += dlg.control(id)->isVisible();
            sampleTimerShown = dlg.control(238)->isVisible();
            box = dlg.control(228)->geometry();
            frame = dlg.control(208)->geometry();
            firstRow = dlg.control(205)->geometry();
            static_cast<QPushButton*>(dlg.control(212))->click();
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(Flag.pages_error, 1);
        EXPECT_EQ(summary, QString());              // nothing read, nothing shown
        EXPECT_EQ(alarmsShown, board ? 13 - 4 : 0); // no "R" button: nothing latched
        EXPECT_EQ(sampleTimerShown, !board);
        if (board)
            EXPECT_LT(box.bottom(), firstRow.top());
        else // stretched over the room of the alarm rows
            EXPECT_EQ(box.bottom(), frame.bottom() - 20);
        EXPECT_EQ(Flag.skip_refresh, 0);
        boxes.push_back(box);
    }
    ASSERT_EQ(boxes.size(), 3u); // stretching keeps left, top and width
    for (const QRect& r : boxes)
        EXPECT_EQ(QRect(r.topLeft(), QSize(r.width(), 1)),
                  QRect(boxes[1].topLeft(), QSize(boxes[1].width(), 1)));
}

TEST_F(MainDialogTest, OpensReadyWithTheSampleTimeAndLeavesOnlyWithOne) {
    BR_value = 19200;
    Tsample = 900;
    giveUpReading();
    DialogMain dlg;
    QString title, sample, status;
    int enabledButtons = 0;
    bool startEnabled = false, openAfterKeys = false, monitorEnabled = true;
    int result = runScripted(dlg, [&] {
        title = dlg.windowTitle();
        sample = static_cast<QLineEdit*>(dlg.control(233))->text();
        status = dlg.findChild<QWidget*>("id240_1")->property("text").toString();
        for (int id : {204, 238, 221, 205, 211, 215, 218}) enabledButtons += dlg.control(id)->isEnabled();
        monitorEnabled = dlg.control(237)->isEnabled();
        startEnabled = dlg.control(210)->isEnabled();
        sendKey(dlg.control(233), Qt::Key_Return);
        sendKey(&dlg, Qt::Key_Escape);
        openAfterKeys = dlg.isVisible();
        dlg.close(); // the close box counts as "Exit"
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(title, QString("Korvane v.5.0"));
    EXPECT_EQ(sample, QString("900"));
    EXPECT_EQ(status, QString(" Ready: 19200"));
    EXPECT_EQ(enabledButtons, 7);
    EXPECT_FALSE(monitorEnabled); // not connected yet
    EXPECT_TRUE(startEnabled);    // a valid sample time, even without a session
    EXPECT_TRUE(openAfterKeys);
}

TEST_F(MainDialogTest, SampleTimeOutsideOneTo65535PaintsTheFieldRedAndBlocksStart) {
    const struct {
        const char* typed;
        bool valid;
    } cases[] = {{"0", false}, {"900", true}, {"70000", false}, {"12x", false}, {"65535", true}, {"", false}};
    giveUpReading();
    DialogMain dlg;
    runScripted(dlg, [&] {
        auto* field = static_cast<QLineEdit*>(dlg.control(233));
        QWidget* start = dlg.control(210);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.typed);
            Flag.skip_refresh = 1;
            field->selectAll();
            sendKey(field, Qt::Key_Backspace);
            for (const char* p = c.typed; *p; ++p) sendKey(field, *p, Qt::NoModifier, QString(QChar(*p)));
            EXPECT_EQ(start->isEnabled(), c.valid);
            EXPECT_EQ(Flag.sample_error, c.valid ? 0 : 1);
            if (c.valid) {
                EXPECT_EQ(Tsample, std::stoul(c.typed));
            }
            EXPECT_EQ(Flag.skip_refresh, 0); // the next "Start" downloads without asking
            QImage img = field->grab().toImage();
            const int red = countNear(img, QColor(255, 0, 0), 0);
            if (c.valid)
                EXPECT_EQ(red, 0);
            else
                EXPECT_GT(red, img.width() * img.height() / 2);
        }
    });
}

TEST_F(MainDialogTest, ColoursAndFixedPitchSummary) {
    Flag.MW51 = 1;
    Alarm = 0x10 | 0x01; // inverter and intrusion lamps on
    giveUpReading();
    DialogMain dlg;
    QImage group, summary;
    std::vector<QColor> lamps;
    bool fixedPitch = false;
    runScripted(dlg, [&] {
        group = dlg.control(208)->grab().toImage();
        summary = dlg.control(228)->grab().toImage();
        for (const AlarmRow& row : kAlarmRows) {
            QImage lamp = dlg.control(row.lampId)->grab().toImage();
            lamps.push_back(lamp.pixelColor(lamp.width() / 2, lamp.height() / 2));
        }
        fixedPitch = QFontInfo(dlg.control(228)->font()).fixedPitch();
    });
    EXPECT_TRUE(fixedPitch);
    // The title glyphs are pure blue, and nothing else of the frame is.
    EXPECT_GT(countNear(group.copy(0, 0, group.width(), 24), QColor(0, 0, 255), 40), 10);
    EXPECT_EQ(countNear(group.copy(0, 30, group.width(), group.height() - 30), QColor(0, 0, 255), 40), 0);
    // Pale yellow behind the summary (its lower half holds no text).
    QImage lower = summary.copy(10, summary.height() / 2, summary.width() - 20, summary.height() / 2 - 10);
    EXPECT_EQ(countNear(lower, QColor(255, 255, 230), 0), lower.width() * lower.height());
    const std::vector<QColor> expected{QColor(255, 0, 0), QColor(0, 255, 0), QColor(255, 0, 0),
                                       QColor(0, 255, 0)};
    EXPECT_EQ(lamps, expected);
}

} // namespace
