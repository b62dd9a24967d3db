#pragma once

#include "core/playlist/jump_filter.h"

#include <QDialog>

#include <functional>

class QGroupBox;
class QFrame;
class QLineEdit;
class QListView;
class QPushButton;
class QTimer;

namespace zv {
class JumpListModel;
}

// The jump-to-file dialog "Skocz do pliku...": the bare file names of the playlist, narrowed
// while the user types words, and the chosen one opened. Searching runs in short slices
// between keystrokes; a newer keystroke drops the search under way, so the list always ends
// with the results of the last text typed.
class TForm8 : public QDialog {
    Q_OBJECT

public:
    explicit TForm8(QWidget *parent = nullptr);
    ~TForm8() override;

    // Read each time the dialog shows: the names (JumpNameList) and CurrentMediaPath, whose
    // file name is selected.
    void setSources(std::function<QStringList()> names, std::function<QString()> currentMedia);

    QStringList shownNames() const;
    int selectedRow() const;        // -1: none
    void selectRow(int row);
    bool searching() const;         // a search is still running
    // Enter or a double click: closes the dialog; with a row chosen, asks for its file.
    void Jump();

    // Longest stretch one slice of a search may take before keystrokes are served.
    static constexpr int kSliceMs = 8;

    QGroupBox *GroupBox1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QFrame *Panel1 = nullptr;
    QListView *ListBox1 = nullptr;
    QPushButton *Button1 = nullptr;   // "Anuluj"

signals:
    // The chosen name: the main window opens the first entry with that file name and plays.
    void jumpRequested(const QString &name);
    // The dialog closed; its list is empty again.
    void closed();

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Edit1Change(const QString &text);
    void runSlice();
    void showMatches();

    zv::JumpFilter filter_;
    zv::JumpListModel *model_ = nullptr;
    QTimer *slice_ = nullptr;
    std::function<QStringList()> names_;
    std::function<QString()> currentMedia_;
};
