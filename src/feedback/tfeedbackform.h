#pragma once

#include "feedbacksubmission.h"

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The feedback window: a mood, a message and optionally an e-mail address, sent to the maker's
// web service at once. A new window is made for every use and frees itself when it closes.
class TFeedbackForm final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFeedbackForm)

public:
    static constexpr int MemoMaxLength = 10000;
    static constexpr int EditMaxLength = 100;

    // post: the form post; tests may pass their own, the window uses PostForm.
    explicit TFeedbackForm(QWidget *parent = nullptr, PostFunction post = PostForm);
    ~TFeedbackForm() override;

    QFrame *Panel3 = nullptr;
    QLabel *Panel4 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Panel5 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QFrame *Panel2 = nullptr;
    QPushButton *BitBtn1 = nullptr;

    Mood mood() const { return m_mood; }
    // The message as the user typed it, each line break a carriage return and line feed.
    QString memoText() const;
    // True while a send waits for the service.
    bool sending() const { return m_sending; }

    void FormCreate();
    void Image1Click();
    void Image2Click();
    void BitBtn1Click();
    // Each closes the window on Escape and leaves every other key to the control.
    bool Memo1KeyDown(int key);
    bool Edit1KeyDown(int key);
    bool BitBtn1KeyDown(int key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLayout();
    void connectHandlers();
    void chooseMood(Mood mood);
    void limitMemo(int position, int added);
    bool isOwnInput(QObject *watched, QEvent *event) const;

    PostFunction m_post;
    Mood m_mood = Mood::None;
    bool m_sending = false;
    bool m_limitingMemo = false;
};
