// The Qt backend of the UI services: real message boxes and the wait window.
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

#include "gui_helpers.h"
#include "platform/ui_qt_dialog.h"
#include "shell/korvane.h"

namespace {

class QtUiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetState();
        installUi(&ui_);
    }
    void TearDown() override {
        Close_wait_msg();
        installUi(nullptr);
        resetState();
    }
    QtUi ui_;
};

TEST_F(QtUiTest, MessageBoxShowsTextButtonsIconAndReturnsTheChoice) {
    using QB = QMessageBox;
    const struct {
        MsgButtons buttons;
        MsgIcon icon;
        QB::StandardButtons expectButtons;
        QB::Icon expectIcon;
        QB::StandardButton press; // NoButton: the Escape key
        MsgAnswer answer;
    } cases[] = {
        {MsgButtons::Ok, MsgIcon::Error, QB::Ok, QB::Critical, QB::Ok, MsgAnswer::Ok},
        {MsgButtons::OkCancel, MsgIcon::Info, QB::Ok | QB::Cancel, QB::Information, QB::Cancel,
         MsgAnswer::Cancel},
        {MsgButtons::YesNo, MsgIcon::Warning, QB::Yes | QB::No, QB::Warning, QB::NoButton, MsgAnswer::No},
        {MsgButtons::YesNoCancel, MsgIcon::Question, QB::Yes | QB::No | QB::Cancel, QB::Question, QB::Yes,
         MsgAnswer::Yes},
        {MsgButtons::AbortRetryIgnore, MsgIcon::None, QB::Abort | QB::Retry | QB::Ignore, QB::NoIcon,
         QB::Ignore, MsgAnswer::Ignore},
    };
    QWidget owner;
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.buttons));
        OnModal<QMessageBox> answerer([&](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle(), QString("Com Error"));
            EXPECT_EQ(box->text(), QString::fromUtf8("Porta chiusa !\n\nPerch\u00E9 \u00B0C ?"));
            EXPECT_EQ(box->standardButtons(), c.expectButtons);
            EXPECT_EQ(box->icon(), c.expectIcon);
            EXPECT_EQ(box->parentWidget(), &owner);
            c.press == QB::NoButton ? sendKey(box, Qt::Key_Escape) : box->button(c.press)->click();
        });
        EXPECT_EQ(messageBox(windowOf(&owner),
                             "Porta chiusa !\r\n\r\nPerch\xE9 \xB0"
                             "C ?",
                             "Com Error", c.buttons, c.icon),
                  c.answer);
        EXPECT_EQ(answerer.count, 1);
    }
}

TEST_F(QtUiTest, WaitWindowShowsTextAndProgressUntilClosed) {
    QWidget owner;
    Show_wait_msg(windowOf(&owner), "Lettura pagine\r\nin corso...");
    QPointer<QWidget> w = widgetOf(ui_.waitWindow());
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), w.data()); // the rest of the program is blocked
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((w->frameGeometry().center() - screen.center()).manhattanLength(), 2);

    auto* text = w->findChild<QLabel*>("id302");
    auto* bar = w->findChild<QProgressBar*>("id303");
    ASSERT_TRUE(text && bar && w->findChild<QPushButton*>("id301"));
    EXPECT_EQ(text->text(), QString("Lettura pagine\nin corso..."));
    EXPECT_GE(text->height(), 2 * text->fontMetrics().lineSpacing());
    EXPECT_EQ(bar->maximum(), 100);

    Show_wait_msg(nullptr, "Altro"); // a second open keeps the first window and text
    EXPECT_EQ(widgetOf(ui_.waitWindow()), w.data());
    EXPECT_EQ(text->text(), QString("Lettura pagine\nin corso..."));
    Print_wait_msg("Pagina 3 di 4");
    Setbar_wait_msg(3, 4);
    EXPECT_EQ(text->text(), QString("Pagina 3 di 4"));
    EXPECT_EQ(bar->value(), 75);
    EXPECT_EQ(Test_wait_msg(), 1);

    Close_wait_msg();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(Test_wait_msg(), 0);
}

TEST_F(QtUiTest, EscAsksForConfirmationAndYesClosesTheWindow) {
    const struct {
        bool escapeKey; // else the "Esc" button
        QMessageBox::StandardButton answer;
    } cases[] = {{false, QMessageBox::Yes}, {false, QMessageBox::No}, {true, QMessageBox::Yes}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.escapeKey * 10 + (c.answer == QMessageBox::Yes));
        const bool staysOpen = c.answer == QMessageBox::No;
        Show_wait_msg(nullptr, "Download in corso");
        QPointer<QWidget> w = widgetOf(ui_.waitWindow());
        ASSERT_NE(w, nullptr);
        OnModal<QMessageBox> answerer([&](QMessageBox* box) {
            EXPECT_EQ(box->text(), QString("Confermare l'abbandono dell'operazione ?"));
            EXPECT_EQ(box->windowTitle(), QString("Warning"));
            EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            EXPECT_EQ(box->parentWidget(), w.data());
            box->button(c.answer)->click();
        });
        EXPECT_EQ(Test_wait_msg(), 1); // nothing pressed yet: no question
        c.escapeKey ? sendKey(w, Qt::Key_Escape) : w->findChild<QPushButton*>("id301")->click();
        EXPECT_TRUE(w->isVisible()); // only the pump reports the press
        EXPECT_EQ(answerer.count, 0);

        EXPECT_EQ(Test_wait_msg(), 1);
        EXPECT_EQ(answerer.count, 1);
        EXPECT_EQ(w.isNull(), !staysOpen);
        EXPECT_EQ(Test_wait_msg(), staysOpen ? 1 : 0);
        EXPECT_EQ(answerer.count, 1); // one press, one question
        Close_wait_msg();
    }
}

} // namespace
