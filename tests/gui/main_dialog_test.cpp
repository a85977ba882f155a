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

using MainDialogTest = KorvaneTest;

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
        const char* firmwareLine;
    } cases[] = {
        {0, 0, "Versione firmware RX4X... B018"},
        {1, 0, "Versione firmware MW..... B018"},
        {0, 1, "Versione firmware VKE15.. B018"},
    };
    std::vector<QRect> boxes;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.firmwareLine);
        resetState();
        CommPort = "/dev/ttyUSB0";
        FW_release = "B018";
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
        EXPECT_EQ(summary.toStdString(),
                  "Porta di comunicazione... /dev/ttyUSB0\n" + std::string(c.firmwareLine) + "\n\n");
        EXPECT_EQ(alarmsShown, board ? 13 : 0);
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
    DialogMain dlg;
    QString title, sample, status;
    int enabledButtons = 0;
    bool openAfterKeys = false;
    int result = runScripted(dlg, [&] {
        title = dlg.windowTitle();
        sample = static_cast<QLineEdit*>(dlg.control(233))->text();
        status = dlg.findChild<QWidget*>("id240_1")->property("text").toString();
        for (int id : {210, 204, 238, 237, 221, 205, 211, 215, 218})
            enabledButtons += dlg.control(id)->isEnabled();
        sendKey(dlg.control(233), Qt::Key_Return);
        sendKey(&dlg, Qt::Key_Escape);
        openAfterKeys = dlg.isVisible();
        dlg.close(); // the close box counts as "Exit"
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(title, QString("Korvane v.5.0"));
    EXPECT_EQ(sample, QString("900"));
    EXPECT_EQ(status, QString(" Ready: 19200"));
    EXPECT_EQ(enabledButtons, 0);
    EXPECT_TRUE(openAfterKeys);
}

TEST_F(MainDialogTest, ColoursAndFixedPitchSummary) {
    Flag.MW51 = 1;
    Alarm = 0x10 | 0x01; // inverter and intrusion lamps on
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
