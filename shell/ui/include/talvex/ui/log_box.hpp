// The log box under the tabs: poll and channel-store lines while "Recv" is checked, emptied once it
// passes 500 lines so it never grows without bound.
#pragma once

#include <QWidget>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace talvex::ui {

class LogBox : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMaxLines = 500;

    explicit LogBox(QWidget* parent = nullptr);

    // Appends text (lines may end in "\r\n") while logging is on; dropped otherwise.
    void append(const QString& text);
    // Appends whether or not logging is on: what the user must see (the link closed, an open failed).
    void appendNotice(const QString& text);
    bool logging() const;
    int lineCount() const;
    void clear();
    void retranslate();

    QPlainTextEdit* view() const { return view_; }
    QCheckBox* recvBox() const { return recv_; }

  signals:
    void loggingChanged(bool on);

  private:
    QPlainTextEdit* view_ = nullptr;
    QCheckBox* save_ = nullptr;
    QCheckBox* recv_ = nullptr;
    QPushButton* logFile_ = nullptr;
    QPushButton* logClear_ = nullptr;
};

}  // namespace talvex::ui
